#pragma once

// A video compressor that the recorder offers: an FFmpeg video encoder that writes into an
// AVI file at any frame size.

#include <string>
#include <vector>

struct VideoCompressor {
    // What the compressor dialog says beside the name, in the user's language.
    enum class Note { None, Lossless, XvidCompatible };

    // The codec's name, shown to the user as it is; empty for uncompressed frames, which
    // the dialog names in words alone.
    std::string name;
    // The FFmpeg encoder; empty for uncompressed 24-bit frames.
    std::string encoder;
    // The four-character code of the stream; empty for the encoder's usual one.
    std::string codecTag;
    // The encoder's picture format; empty for the one closest to 24-bit RGB.
    std::string pixelFormat;
    // A fixed quantiser for lossy encoders (lower is better), 0 for the encoder's default.
    int quantiser = 0;
    Note note = Note::None;

    bool IsUncompressed() const { return encoder.empty(); }

    // The compressors that this FFmpeg build has and that write a valid AVI at any frame
    // size: uncompressed first, then MJPEG, MPEG-4 and FFV1, then the other lossless and
    // legacy encoders the AVI muxer takes.
    static std::vector<VideoCompressor> Available();
};
