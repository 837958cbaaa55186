#include "platform/opengl/PictureFile.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace {

std::string Bytes(std::uint32_t value, int count, bool bigEndian) {
    std::string bytes;
    for (int i = 0; i < count; ++i) {
        const int shift = 8 * (bigEndian ? count - 1 - i : i);
        bytes += static_cast<char>((value >> shift) & 0xFF);
    }
    return bytes;
}

std::string Le(std::uint32_t value, int count) {
    return Bytes(value, count, false);
}

std::string Be(std::uint32_t value, int count) {
    return Bytes(value, count, true);
}

// A bitmap's file header and an information header of `headerSize` bytes, up to the
// compression.
std::string BmpHeader(std::uint32_t headerSize, std::uint32_t width, std::uint32_t height,
                      std::uint32_t bits) {
    const std::string head = "BM" + Le(0, 4) + Le(0, 4) + Le(54, 4) + Le(headerSize, 4);
    if (headerSize == 12) {
        return head + Le(width, 2) + Le(height, 2) + Le(1, 2) + Le(bits, 2);
    }
    return head + Le(width, 4) + Le(height, 4) + Le(1, 2) + Le(bits, 2) + Le(0, 4);
}

std::string TgaHeader(int mapType, int imageType, std::uint32_t width, std::uint32_t height,
                      int bits) {
    return std::string{0, static_cast<char>(mapType), static_cast<char>(imageType)} +
           std::string(9, '\0') + Le(width, 2) + Le(height, 2) + static_cast<char>(bits) + '\0';
}

// Mode data, image resources and layers of the given lengths (their bytes present), then the
// compression.
std::string PsdHeader(int channels, std::uint32_t width, std::uint32_t height, int depth,
                      std::uint32_t sectionLength, int compression) {
    std::string header = "8BPS" + Be(1, 2) + std::string(6, '\0') + Be(channels, 2) +
                         Be(height, 4) + Be(width, 4) + Be(depth, 2) + Be(3, 2);
    for (int section = 0; section < 3; ++section) {
        header += Be(sectionLength, 4) + std::string(sectionLength, 'x');
    }
    return header + Be(compression, 2);
}

std::string HdrHeader(std::uint32_t width, std::uint32_t height) {
    return "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y " + std::to_string(height) + " +X " +
           std::to_string(width) + "\n";
}

TEST(PictureFileTest, UncompressedPixelBytesFollowEachFormatsHeader) {
    constexpr std::uint64_t Unknowable = std::numeric_limits<std::uint64_t>::max();
    const std::string runLengthRow("\x02\x02\x00\x10", 4);
    const struct {
        const char* name;
        std::string file;
        std::uint32_t width;
        std::uint32_t height;
        std::uint64_t bytes;
    } cases[] = {
        {"PPM", "P6 4 2 255\n", 4, 2, 4 * 2 * 3},
        {"PGM of 16 bits", "P5\n4 2\n65535\n", 4, 2, 4 * 2 * 2},
        {"BMP, padding not counted", BmpHeader(40, 5, 2, 24), 5, 2, 15 * 2},
        {"OS/2 BMP of 1 bit", BmpHeader(12, 10, 3, 1), 10, 3, 2 * 3},
        {"BMP cut inside its header", BmpHeader(40, 5, 2, 24).substr(0, 29), 5, 2, Unknowable},
        {"TGA", TgaHeader(0, 2, 3, 2, 32), 3, 2, 3 * 2 * 4},
        {"TGA of 15 bits", TgaHeader(0, 2, 3, 2, 15), 3, 2, 3 * 2 * 2},
        {"TGA of indices", TgaHeader(1, 1, 3, 2, 8), 3, 2, 3 * 2},
        {"TGA run-length coded", TgaHeader(0, 10, 3, 2, 24), 3, 2, 0},
        {"PSD", PsdHeader(3, 4, 2, 8, 0, 0), 4, 2, 4 * 2 * 3},
        {"PSD of 5 channels of 16 bits", PsdHeader(5, 4, 2, 16, 3, 0), 4, 2, 4 * 2 * 4 * 2},
        {"PSD run-length coded", PsdHeader(3, 4, 2, 8, 3, 1), 4, 2, 0},
        {"PSD cut before its compression", PsdHeader(3, 4, 2, 8, 0, 0).substr(0, 36), 4, 2,
         Unknowable},
        {"PSD whose mode data pass its end", PsdHeader(3, 4, 2, 8, 0, 0).replace(26, 4, Be(99, 4)),
         4, 2, Unknowable},
        {"HDR", HdrHeader(16, 2) + "abcd", 16, 2, 16 * 2 * 4},
        {"HDR run-length coded", HdrHeader(16, 2) + runLengthRow, 16, 2, 0},
        {"HDR too narrow for runs", HdrHeader(4, 2) + runLengthRow, 4, 2, 4 * 2 * 4},
        {"HDR without the line of its size", "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n", 16, 2,
         Unknowable},
        {"PNG", std::string("\x89PNG\r\n\x1a\n", 8), 16, 2, 0},
        {"JPEG", std::string("\xff\xd8\xff\xe0", 4), 16, 2, 0},
        {"GIF", "GIF89a", 16, 2, 0},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        EXPECT_EQ(PictureFile::UncompressedPixelBytes(test.file, test.width, test.height),
                  test.bytes);
    }
}

} // namespace
