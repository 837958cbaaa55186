#include "media/WaveChunks.h"

#include "platform/CSoundBuffer.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

constexpr std::size_t WaveFormatBytes = 18;
constexpr std::uint64_t ChunkHeaderBytes = 8;

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

} // namespace

std::optional<WaveChunks> ReadWaveChunks(CRiffReader& reader) {
    WaveChunks chunks;
    RiffChunk format;
    // The RIFF chunk starts the file, as every WAV reader expects.
    if (!reader.DescendRiff(chunks.riff) || chunks.riff.start != ChunkHeaderBytes ||
        chunks.riff.formType != MakeFourCC("WAVE") ||
        !reader.FindChunk(format, chunks.riff, MakeFourCC("fmt "))) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> formatBytes(std::max<std::size_t>(format.size, WaveFormatBytes));
    if (!reader.Read(formatBytes.data(), format.size) || !reader.Ascend(format) ||
        !reader.FindCutChunk(chunks.data, chunks.riff, MakeFourCC("data"))) {
        return std::nullopt;
    }
    chunks.format = ToWaveFormat(formatBytes);
    if (!CSoundBuffer::IsPlayableFormat(chunks.format)) {
        return std::nullopt;
    }
    // A whole chunk is taken as it is; one cut short, up to its last whole sample frame.
    const auto held = static_cast<DWORD>(chunks.data.end - chunks.data.start);
    chunks.soundBytes = held == chunks.data.size ? held : held - held % chunks.format.nBlockAlign;
    if (!CSoundBuffer::IsPlayable(chunks.format, chunks.soundBytes)) {
        return std::nullopt;
    }
    return chunks;
}
