#pragma once

// Owning pointers for the FFmpeg objects that the recorder and the WAV reader hold.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <memory>

namespace FFmpeg {

struct Deleter {
    // A pool is freed once the last of its buffers comes back.
    void operator()(AVBufferPool* pool) const { av_buffer_pool_uninit(&pool); }
    void operator()(AVCodecContext* codec) const { avcodec_free_context(&codec); }
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
    void operator()(SwrContext* resampler) const { swr_free(&resampler); }
    void operator()(SwsContext* scaler) const { sws_freeContext(scaler); }
};

template <typename T> using Pointer = std::unique_ptr<T, Deleter>;

} // namespace FFmpeg
