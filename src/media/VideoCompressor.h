#pragma once

// A video compressor that the recorder offers: an FFmpeg video encoder that writes into an
// AVI file at any frame size.

#include <string>
#include <vector>

struct VideoCompressor {
    // Shown to the user.
    std::string name;
    // The FFmpeg encoder; empty for uncompressed 24-bit frames.
    std::string encoder;
    // The four-character code of the stream; empty for the encoder's usual one.
    std::string codecTag;
    // The encoder's picture format; empty for the one closest to 24-bit RGB.
    std::string pixelFormat;
    // A fixed quantiser for lossy encoders (lower is better), 0 for the encoder's default.
    int quantiser = 0;

    bool IsUncompressed() const { return encoder.empty(); }

    // The compressors that this FFmpeg build has and that write a valid AVI at any frame
    // size: uncompressed first, then MJPEG, MPEG-4 and FFV1, then the other lossless and
    // legacy encoders the AVI muxer takes.
    static std::vector<VideoCompressor> Available();
};
