#include "platform/opengl/PictureFile.h"

#include <stb_image.h>

#include <algorithm>
#include <limits>
#include <optional>

namespace {

// What a header cut short before its storage is known asks for.
constexpr std::uint64_t Unknowable = std::numeric_limits<std::uint64_t>::max();

// The unsigned integer of `size` bytes at `offset`; nothing when the file ends first.
std::optional<std::uint32_t> Unsigned(std::string_view file, std::uint64_t offset, int size,
                                      bool bigEndian) {
    if (offset > file.size() || file.size() - offset < static_cast<std::uint64_t>(size)) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    for (int i = 0; i < size; ++i) {
        const auto byte = static_cast<unsigned char>(file[offset + (bigEndian ? i : size - 1 - i)]);
        value = (value << 8) | byte;
    }
    return value;
}

std::uint64_t PnmBytes(std::string_view file, std::uint64_t pixels) {
    const std::uint64_t channels = file[1] == '5' ? 1 : 3;
    const bool wide = stbi_is_16_bit_from_memory(reinterpret_cast<const stbi_uc*>(file.data()),
                                                 static_cast<int>(file.size())) != 0;
    return pixels * channels * (wide ? 2 : 1);
}

// Rows of whole bytes, their padding not counted.
std::uint64_t BmpBytes(std::string_view file, std::uint64_t width, std::uint64_t height) {
    const std::optional<std::uint32_t> headerSize = Unsigned(file, 14, 4, false);
    const std::optional<std::uint32_t> bits = Unsigned(file, headerSize == 12u ? 24 : 28, 2, false);
    if (!bits) {
        return Unknowable;
    }
    return (width * *bits + 7) / 8 * height;
}

// Image types 1 to 3 are stored raw, 9 to 11 run-length coded; an index or a pixel takes
// whole bytes.
std::uint64_t TgaBytes(std::string_view file, std::uint64_t pixels) {
    const std::optional<std::uint32_t> type = Unsigned(file, 2, 1, false);
    const std::optional<std::uint32_t> bits = Unsigned(file, 16, 1, false);
    if (!type || !bits) {
        return Unknowable;
    }
    return *type >= 1 && *type <= 3 ? pixels * ((*bits + 7) / 8) : 0;
}

// Three sections of stated length lie between the header and the compression; the decoder
// reads at most four channels.
std::uint64_t PsdBytes(std::string_view file, std::uint64_t pixels) {
    const std::optional<std::uint32_t> channels = Unsigned(file, 12, 2, true);
    const std::optional<std::uint32_t> depth = Unsigned(file, 22, 2, true);
    std::uint64_t offset = 26;
    for (int section = 0; section < 3; ++section) {
        const std::optional<std::uint32_t> length = Unsigned(file, offset, 4, true);
        if (!length) {
            return Unknowable;
        }
        offset += 4 + std::uint64_t{*length};
    }
    const std::optional<std::uint32_t> compression = Unsigned(file, offset, 2, true);
    if (!channels || !depth || !compression) {
        return Unknowable;
    }
    return *compression == 0 ? pixels * std::min<std::uint32_t>(*channels, 4) * (*depth / 8) : 0;
}

// Text lines up to an empty one, the line of the size, then the pixels: four bytes each,
// unless the picture is 8 to 32767 pixels wide and its first row starts a run-length coded
// row (2, 2, and a length below 32768).
std::uint64_t HdrBytes(std::string_view file, std::uint64_t width, std::uint64_t pixels) {
    const std::size_t blank = file.find("\n\n");
    const std::size_t sizeLineEnd =
        blank == std::string_view::npos ? blank : file.find('\n', blank + 2);
    if (sizeLineEnd == std::string_view::npos) {
        return Unknowable;
    }
    const std::string_view data = file.substr(sizeLineEnd + 1);
    const bool runLengthCoded = width >= 8 && width < 32768 && data.size() >= 3 && data[0] == 2 &&
                                data[1] == 2 && (static_cast<unsigned char>(data[2]) & 0x80) == 0;
    return runLengthCoded ? 0 : pixels * 4;
}

} // namespace

namespace PictureFile {

std::uint64_t UncompressedPixelBytes(std::string_view file, std::uint32_t width,
                                     std::uint32_t height) {
    const std::uint64_t pixels = std::uint64_t{width} * height;
    const auto startsWith = [file](std::string_view magic) {
        return file.substr(0, magic.size()) == magic;
    };
    if (startsWith("P5") || startsWith("P6")) {
        return PnmBytes(file, pixels);
    }
    if (startsWith("BM")) {
        return BmpBytes(file, width, height);
    }
    if (startsWith("8BPS")) {
        return PsdBytes(file, pixels);
    }
    if (startsWith("#?")) {
        return HdrBytes(file, width, pixels);
    }
    // Targa has no signature; its second byte, the colour map type, is 0 or 1, which no
    // other format's signature has there.
    if (file.size() > 1 && static_cast<unsigned char>(file[1]) <= 1) {
        return TgaBytes(file, pixels);
    }
    return 0;
}

} // namespace PictureFile
