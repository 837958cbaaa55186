#pragma once

// WAV files made by the tests: RIFF chunks put together byte by byte, so that broken files
// can be made as easily as good ones.

#include <cstdint>
#include <string>
#include <vector>

namespace WaveBytes {

inline std::string Word(std::uint16_t value) {
    return std::string{static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)};
}

inline std::string DoubleWord(std::uint32_t value) {
    return Word(static_cast<std::uint16_t>(value & 0xFFFF)) +
           Word(static_cast<std::uint16_t>(value >> 16));
}

// A chunk: id, size and body, with a padding byte after an odd body. `size` overrides the
// size written in the header (for broken files).
inline std::string Chunk(const std::string& id, const std::string& body, std::int64_t size = -1) {
    const auto written = static_cast<std::uint32_t>(size < 0 ? body.size() : size);
    return id + DoubleWord(written) + body + (body.size() % 2 == 1 ? std::string(1, '\0') : "");
}

inline std::string Riff(const std::string& formType, const std::string& chunks,
                        std::int64_t size = -1) {
    return Chunk("RIFF", formType + chunks, size);
}

// The 16-byte "fmt " body of a PCM (or another tag's) format.
inline std::string Format(int rate, int channels, int bits, int tag = 1) {
    const int blockAlign = channels * bits / 8;
    return Word(static_cast<std::uint16_t>(tag)) + Word(static_cast<std::uint16_t>(channels)) +
           DoubleWord(static_cast<std::uint32_t>(rate)) +
           DoubleWord(static_cast<std::uint32_t>(rate * blockAlign)) +
           Word(static_cast<std::uint16_t>(blockAlign)) + Word(static_cast<std::uint16_t>(bits));
}

inline std::string Pcm16(const std::vector<std::int16_t>& samples) {
    std::string bytes;
    for (std::int16_t sample : samples) {
        bytes += Word(static_cast<std::uint16_t>(sample));
    }
    return bytes;
}

inline std::string Pcm8(const std::vector<std::uint8_t>& samples) {
    return std::string(samples.begin(), samples.end());
}

// A whole PCM WAV file with the given data bytes.
inline std::string Wave(int rate, int channels, int bits, const std::string& data) {
    return Riff("WAVE", Chunk("fmt ", Format(rate, channels, bits)) + Chunk("data", data));
}

inline std::string Wave16(int rate, int channels, const std::vector<std::int16_t>& samples) {
    return Wave(rate, channels, 16, Pcm16(samples));
}

// Samples that are never zero and never repeat within 30000 values, so that a sound can be
// found in a mixed or recorded output.
inline std::vector<std::int16_t> Ramp(std::size_t count, int seed = 0) {
    std::vector<std::int16_t> samples(count);
    for (std::size_t i = 0; i < count; ++i) {
        samples[i] = static_cast<std::int16_t>(100 + (static_cast<int>(i) + seed) % 30000);
    }
    return samples;
}

} // namespace WaveBytes
