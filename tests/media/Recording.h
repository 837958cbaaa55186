#pragma once

// Recordings made by the tests: a chooser that picks a compressor by its encoder, frames
// of a known pattern, and the pixels that those frames decode to.

#include "media/CAviRecorder.h"
#include "media/IVideoCompressorChooser.h"
#include "platform/CFrameBuffer.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

// Chooses the compressor of an encoder ("" for uncompressed); with no such choice, or
// when told to cancel, it cancels.
class FixedChooser : public IVideoCompressorChooser {
public:
    explicit FixedChooser(std::string encoder, bool cancel = false)
        : m_encoder(std::move(encoder)), m_cancel(cancel) {}

    const VideoCompressor* Choose(const std::vector<VideoCompressor>& choices) override {
        ++asked;
        const auto found =
            std::find_if(choices.begin(), choices.end(),
                         [this](const VideoCompressor& c) { return c.encoder == m_encoder; });
        return m_cancel || found == choices.end() ? nullptr : &*found;
    }

    int asked = 0;

private:
    std::string m_encoder;
    bool m_cancel;
};

namespace Recording {

// A picture that differs in every pixel, channel and frame; padding bytes stay zero.
inline CFrameBuffer PatternFrame(int width, int height, int index) {
    CFrameBuffer frame(static_cast<UINT>(width), static_cast<UINT>(height));
    std::vector<std::uint8_t> rows(frame.Bits().size());
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            for (int channel = 0; channel < 3; ++channel) {
                rows[static_cast<std::size_t>(y) * frame.Stride() + 3 * x + channel] =
                    static_cast<std::uint8_t>(x * 7 + y * 13 + index * 29 + channel * 50);
            }
        }
    }
    frame.Copy(rows);
    return frame;
}

// Records `count` pattern frames; the frames written (none when Open failed).
inline std::vector<CFrameBuffer> RecordPattern(CAviRecorder& recorder, int width, int height,
                                               int count, const std::string& path) {
    std::vector<CFrameBuffer> written;
    CFrameBuffer* target = recorder.Open(width, height, path);
    for (int index = 0; target != nullptr && index < count; ++index) {
        *target = PatternFrame(width, height, index);
        recorder.WriteFrame(target);
        written.push_back(*target);
    }
    recorder.Close();
    return written;
}

// The frames as a decoder gives them back: top row first, rows not padded.
inline std::string TopDownPixels(const std::vector<CFrameBuffer>& frames) {
    std::string pixels;
    for (const CFrameBuffer& frame : frames) {
        for (UINT row = frame.Height(); row-- > 0;) {
            const auto* first =
                frame.Bits().data() + static_cast<std::size_t>(row) * frame.Stride();
            pixels.append(reinterpret_cast<const char*>(first), 3 * frame.Width());
        }
    }
    return pixels;
}

} // namespace Recording
