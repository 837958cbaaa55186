#pragma once

// Converts recorded frames to an encoder's picture format on a thread of its own, one frame
// at a time: with several converters, several frames convert at once while the recorder
// renders the next ones. A converter copies the frame it is given, since the recorder
// renders the next frame into the same buffer.

#include "media/FFmpegPointers.h"

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class CFrameBuffer;

class PictureConverter {
public:
    // Rows of the pictures start on this alignment, as av_frame_get_buffer lays them.
    static constexpr int PictureAlign = 64;

    // Pictures of `format` come from `pool`, whose buffers hold one picture laid out with
    // PictureAlign; the pool outlives the converter. Null when the conversion or the thread
    // cannot be made.
    static std::unique_ptr<PictureConverter> Create(int width, int height, AVPixelFormat format,
                                                    AVBufferPool& pool);
    // Waits for a conversion under way.
    ~PictureConverter();
    PictureConverter(const PictureConverter&) = delete;
    PictureConverter& operator=(const PictureConverter&) = delete;

    // A frame was started and its picture not yet taken.
    bool Busy() const { return m_busy; }
    // Starts converting a copy of `frame`, of the converter's size, into a key picture with
    // time stamp `index`. Only when not busy.
    void Start(const CFrameBuffer& frame, std::int64_t index);
    // Waits for the picture of the frame started last; null when it could not be converted.
    FFmpeg::Pointer<AVFrame> Take();

private:
    enum class State { Idle, Pending, Done };

    PictureConverter(int width, int height, AVPixelFormat format, AVBufferPool& pool,
                     FFmpeg::Pointer<SwsContext> scaler);
    void Run();
    FFmpeg::Pointer<AVFrame> Convert() const;

    const int m_width;
    const int m_height;
    const AVPixelFormat m_format;
    AVBufferPool& m_pool;
    const FFmpeg::Pointer<SwsContext> m_scaler;
    // The frame being converted; written only while the thread waits.
    std::vector<std::uint8_t> m_rows;
    int m_stride = 0;
    std::int64_t m_index = 0;
    bool m_busy = false;

    std::mutex m_mutex;
    std::condition_variable m_started;
    std::condition_variable m_converted;
    State m_state = State::Idle;
    bool m_stopping = false;
    FFmpeg::Pointer<AVFrame> m_picture;
    // Last: it starts once everything above is ready.
    std::thread m_thread;
};
