#include "media/WaveChunks.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

constexpr std::size_t WaveFormatBytes = 18;

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
    if (!reader.DescendRiff(chunks.riff) || chunks.riff.formType != MakeFourCC("WAVE") ||
        !reader.Descend(format, chunks.riff) || format.id != MakeFourCC("fmt ")) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> formatBytes(std::max<std::size_t>(format.size, WaveFormatBytes));
    if (!reader.Read(formatBytes.data(), format.size) || !reader.Ascend(format) ||
        !reader.FindChunk(chunks.data, chunks.riff, MakeFourCC("data"))) {
        return std::nullopt;
    }
    chunks.format = ToWaveFormat(formatBytes);
    return chunks;
}
