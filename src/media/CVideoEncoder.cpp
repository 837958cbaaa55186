#include "media/CVideoEncoder.h"

#include "platform/CFrameBuffer.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
}

#include <cstring>

namespace {

constexpr int RecordedBitsPerPixel = 24;

AVPixelFormat PictureFormat(const AVCodec& codec, const std::string& wanted) {
    if (!wanted.empty()) {
        return av_get_pix_fmt(wanted.c_str());
    }
    if (codec.pix_fmts == nullptr) {
        return AV_PIX_FMT_BGR24;
    }
    return avcodec_find_best_pix_fmt_of_list(codec.pix_fmts, AV_PIX_FMT_BGR24, 0, nullptr);
}

unsigned int CodecTag(const std::string& fourCharacters) {
    if (fourCharacters.size() != 4) {
        return 0;
    }
    return MKTAG(fourCharacters[0], fourCharacters[1], fourCharacters[2], fourCharacters[3]);
}

} // namespace

CVideoEncoder::CVideoEncoder(int width, int height)
    : m_width(width), m_height(height), m_packet(av_packet_alloc()) {}

std::unique_ptr<CVideoEncoder> CVideoEncoder::Open(const VideoCompressor& compressor, int width,
                                                   int height) {
    if (av_image_check_size(static_cast<unsigned>(width), static_cast<unsigned>(height), 0,
                            nullptr) < 0) {
        return nullptr;
    }
    std::unique_ptr<CVideoEncoder> encoder(new CVideoEncoder(width, height));
    if (!encoder->m_packet || (!compressor.IsUncompressed() && !encoder->OpenCodec(compressor))) {
        return nullptr;
    }
    return encoder;
}

bool CVideoEncoder::OpenCodec(const VideoCompressor& compressor) {
    const AVCodec* codec = avcodec_find_encoder_by_name(compressor.encoder.c_str());
    m_codec.reset(codec != nullptr ? avcodec_alloc_context3(codec) : nullptr);
    if (!m_codec) {
        return false;
    }
    AVCodecContext& context = *m_codec;
    context.width = m_width;
    context.height = m_height;
    context.time_base = TimeBase;
    context.framerate = av_inv_q(TimeBase);
    context.pix_fmt = PictureFormat(*codec, compressor.pixelFormat);
    context.codec_tag = CodecTag(compressor.codecTag);
    context.gop_size = 1;
    context.max_b_frames = 0;
    // As many threads as the machine has: recording must keep up with the frames.
    context.thread_count = 0;
    context.thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    if (compressor.quantiser > 0) {
        context.flags |= AV_CODEC_FLAG_QSCALE;
        context.global_quality = FF_QP2LAMBDA * compressor.quantiser;
    }
    if (avcodec_open2(&context, codec, nullptr) < 0) {
        return false;
    }
    m_scaler.reset(sws_getContext(m_width, m_height, AV_PIX_FMT_BGR24, m_width, m_height,
                                  context.pix_fmt, SWS_BICUBIC, nullptr, nullptr, nullptr));
    return m_scaler != nullptr;
}

bool CVideoEncoder::SetStreamParameters(AVStream& stream) const {
    stream.time_base = TimeBase;
    stream.avg_frame_rate = av_inv_q(TimeBase);
    if (m_codec) {
        return avcodec_parameters_from_context(stream.codecpar, m_codec.get()) >= 0;
    }
    AVCodecParameters& parameters = *stream.codecpar;
    parameters.codec_type = AVMEDIA_TYPE_VIDEO;
    parameters.codec_id = AV_CODEC_ID_RAWVIDEO;
    parameters.codec_tag = 0;
    parameters.format = AV_PIX_FMT_BGR24;
    parameters.bits_per_coded_sample = RecordedBitsPerPixel;
    parameters.width = m_width;
    parameters.height = m_height;
    return true;
}

bool CVideoEncoder::Encode(const CFrameBuffer& frame, std::int64_t index, const PacketSink& sink) {
    if (static_cast<int>(frame.Width()) != m_width ||
        static_cast<int>(frame.Height()) != m_height) {
        return false;
    }
    return m_codec ? EncodePicture(frame, index, sink) : WriteUncompressed(frame, index, sink);
}

bool CVideoEncoder::Flush(const PacketSink& sink) {
    if (!m_codec) {
        return true;
    }
    return avcodec_send_frame(m_codec.get(), nullptr) >= 0 && Drain(sink);
}

bool CVideoEncoder::WriteUncompressed(const CFrameBuffer& frame, std::int64_t index,
                                      const PacketSink& sink) {
    const std::vector<std::uint8_t>& bits = frame.Bits();
    if (av_new_packet(m_packet.get(), static_cast<int>(bits.size())) < 0) {
        return false;
    }
    std::memcpy(m_packet->data, bits.data(), bits.size());
    m_packet->pts = index;
    m_packet->dts = index;
    m_packet->duration = 1;
    m_packet->flags |= AV_PKT_FLAG_KEY;
    const bool written = sink(*m_packet);
    av_packet_unref(m_packet.get());
    return written;
}

bool CVideoEncoder::EncodePicture(const CFrameBuffer& frame, std::int64_t index,
                                  const PacketSink& sink) {
    FFmpeg::Pointer<AVFrame> picture(av_frame_alloc());
    if (!picture) {
        return false;
    }
    picture->format = m_codec->pix_fmt;
    picture->width = m_width;
    picture->height = m_height;
    if (av_frame_get_buffer(picture.get(), 0) < 0) {
        return false;
    }
    // The rows are stored bottom first: start at the top row and step backwards.
    const int stride = static_cast<int>(frame.Stride());
    const std::uint8_t* topRow =
        frame.Bits().data() + static_cast<std::size_t>(stride) * (m_height - 1);
    const int upwards = -stride;
    if (sws_scale(m_scaler.get(), &topRow, &upwards, 0, m_height, picture->data,
                  picture->linesize) != m_height) {
        return false; // never encode a picture that was not converted
    }
    picture->pts = index;
    picture->pict_type = AV_PICTURE_TYPE_I;
    return avcodec_send_frame(m_codec.get(), picture.get()) >= 0 && Drain(sink);
}

bool CVideoEncoder::Drain(const PacketSink& sink) {
    int result = 0;
    while ((result = avcodec_receive_packet(m_codec.get(), m_packet.get())) >= 0) {
        const bool written = sink(*m_packet);
        av_packet_unref(m_packet.get());
        if (!written) {
            return false;
        }
    }
    return result == AVERROR(EAGAIN) || result == AVERROR_EOF;
}
