#include "media/PictureConverter.h"

#include "platform/CFrameBuffer.h"

extern "C" {
#include <libavutil/imgutils.h>
}

#include <system_error>
#include <utility>

std::unique_ptr<PictureConverter>
PictureConverter::Create(int width, int height, AVPixelFormat format, AVBufferPool& pool) {
    FFmpeg::Pointer<SwsContext> scaler(sws_getContext(width, height, AV_PIX_FMT_BGR24, width,
                                                      height, format, SWS_BICUBIC, nullptr, nullptr,
                                                      nullptr));
    if (!scaler) {
        return nullptr;
    }
    try {
        return std::unique_ptr<PictureConverter>(
            new PictureConverter(width, height, format, pool, std::move(scaler)));
    } catch (const std::system_error&) {
        return nullptr; // no thread
    }
}

PictureConverter::PictureConverter(int width, int height, AVPixelFormat format, AVBufferPool& pool,
                                   FFmpeg::Pointer<SwsContext> scaler)
    : m_width(width), m_height(height), m_format(format), m_pool(pool), m_scaler(std::move(scaler)),
      m_thread(&PictureConverter::Run, this) {}

PictureConverter::~PictureConverter() {
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_started.notify_one();
    m_thread.join();
}

void PictureConverter::Start(const CFrameBuffer& frame, std::int64_t index) {
    m_rows.assign(frame.Bits().begin(), frame.Bits().end());
    m_stride = static_cast<int>(frame.Stride());
    m_index = index;
    m_busy = true;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_state = State::Pending;
    }
    m_started.notify_one();
}

FFmpeg::Pointer<AVFrame> PictureConverter::Take() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_converted.wait(lock, [this] { return m_state == State::Done; });
    m_state = State::Idle;
    m_busy = false;
    return std::move(m_picture);
}

void PictureConverter::Run() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_started.wait(lock, [this] { return m_state == State::Pending || m_stopping; });
        if (m_stopping) {
            return;
        }
        lock.unlock();
        FFmpeg::Pointer<AVFrame> picture = Convert();
        lock.lock();
        m_picture = std::move(picture);
        m_state = State::Done;
        m_converted.notify_one();
    }
}

FFmpeg::Pointer<AVFrame> PictureConverter::Convert() const {
    FFmpeg::Pointer<AVFrame> picture(av_frame_alloc());
    if (!picture || (picture->buf[0] = av_buffer_pool_get(&m_pool)) == nullptr ||
        av_image_fill_arrays(picture->data, picture->linesize, picture->buf[0]->data, m_format,
                             m_width, m_height, PictureAlign) < 0) {
        return nullptr;
    }
    picture->format = m_format;
    picture->width = m_width;
    picture->height = m_height;
    picture->pts = m_index;
    picture->pict_type = AV_PICTURE_TYPE_I;
    // The rows are stored bottom first: start at the top row and step backwards.
    const std::uint8_t* topRow =
        m_rows.data() + static_cast<std::size_t>(m_stride) * (m_height - 1);
    const int upwards = -m_stride;
    if (sws_scale(m_scaler.get(), &topRow, &upwards, 0, m_height, picture->data,
                  picture->linesize) != m_height) {
        return nullptr; // never encode a picture that was not converted
    }
    return picture;
}
