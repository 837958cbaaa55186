#pragma once

// What a picture file's header promises. The decoder fills the pixels that a file lacks with
// zeros, so a header of a few bytes could claim a picture of hundreds of megabytes. Pixels
// stored uncompressed need their full size in the file; compressed data (PNG, JPEG, GIF,
// run-length coded TGA, PSD and HDR) has no such bound and is left to the decoder's checks.

#include <cstdint>
#include <string_view>

namespace PictureFile {

// The bytes of uncompressed pixel data that the header of a width x height picture says
// follow it: for PNM (P5, P6), BMP (never compressed here), TGA of types 1 to 3, PSD without
// compression and HDR without run-length coding; 0 for any other file. A header that ends
// before it says how its pixels are stored asks for more than any file holds. A whole file is
// never shorter than this, since its header comes on top.
std::uint64_t UncompressedPixelBytes(std::string_view file, std::uint32_t width,
                                     std::uint32_t height);

} // namespace PictureFile
