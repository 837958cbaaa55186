#include "media/WaveChunks.h"

#include "platform/CSoundBuffer.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

constexpr std::size_t WaveFormatBytes = 18;
constexpr std::uint64_t ChunkHeaderBytes = 8;
constexpr std::uint64_t FormTypeBytes = 4;

WORD Word(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
    return static_cast<WORD>(bytes[offset] | (bytes[offset + 1] << 8));
}

DWORD DoubleWord(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
    return static_cast<DWORD>(Word(bytes, offset)) |
           (static_cast<DWORD>(Word(bytes, offset + 2)) << 16);
}

WAVEFORMATEX ToWaveFormat(const std::vector<std::uint8_t>& bytes) {
    WAVEFORMATEX format;
    format.wFormatTag = Word(bytes, 0);
    format.nChannels = Word(bytes, 2);
    format.nSamplesPerSec = DoubleWord(bytes, 4);
    format.nAvgBytesPerSec = DoubleWord(bytes, 8);
    format.nBlockAlign = Word(bytes, 12);
    format.wBitsPerSample = Word(bytes, 14);
    format.cbSize = Word(bytes, 16);
    return format;
}

// Walks the chunks of `riff` from just after its form type. A chunk that claims more than the
// file holds marks a broken file, wherever it is; fewer bytes than a chunk header may follow
// the last one.
bool ChunksLieInsideTheFile(CRiffReader& reader, const RiffChunk& riff) {
    std::uint64_t next = riff.start + FormTypeBytes;
    RiffChunk chunk;
    while (reader.Descend(chunk, riff)) {
        next = chunk.end + (chunk.size & 1u);
        if (!reader.Ascend(chunk)) {
            break;
        }
    }
    return next >= riff.end || riff.end - next < ChunkHeaderBytes;
}

} // namespace

std::optional<WaveChunks> ReadWaveChunks(CRiffReader& reader) {
    WaveChunks chunks;
    RiffChunk format;
    // The RIFF chunk starts the file, as every WAV reader expects. Once its chunks are
    // walked, descending into it again goes back to the first of them.
    if (!reader.DescendRiff(chunks.riff) || chunks.riff.start != ChunkHeaderBytes ||
        chunks.riff.formType != MakeFourCC("WAVE") ||
        !ChunksLieInsideTheFile(reader, chunks.riff) || !reader.DescendRiff(chunks.riff) ||
        !reader.FindChunk(format, chunks.riff, MakeFourCC("fmt "))) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> formatBytes(std::max<std::size_t>(format.size, WaveFormatBytes));
    if (!reader.Read(formatBytes.data(), format.size) || !reader.Ascend(format) ||
        !reader.FindChunk(chunks.data, chunks.riff, MakeFourCC("data"))) {
        return std::nullopt;
    }
    chunks.format = ToWaveFormat(formatBytes);
    if (!CSoundBuffer::IsPlayable(chunks.format, chunks.data.size)) {
        return std::nullopt;
    }
    return chunks;
}
