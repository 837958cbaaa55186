#include "media/CVideoEncoder.h"

#include "platform/CFrameBuffer.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

#include <cstring>

namespace {

constexpr int RecordedBitsPerPixel = 24;
// Rows of the encoder's pictures start on this alignment, as av_frame_get_buffer lays them.
constexpr int PictureAlign = 64;

void KeepRows(void*, std::uint8_t*) {} // the recorder's frame owns them

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
    : m_width(width), m_height(height), m_packet(av_packet_alloc()), m_picture(av_frame_alloc()),
      m_source(av_frame_alloc()) {}

std::unique_ptr<CVideoEncoder> CVideoEncoder::Open(const VideoCompressor& compressor, int width,
                                                   int height) {
    if (av_image_check_size(static_cast<unsigned>(width), static_cast<unsigned>(height), 0,
                            nullptr) < 0) {
        return nullptr;
    }
    std::unique_ptr<CVideoEncoder> encoder(new CVideoEncoder(width, height));
    if (!encoder->m_packet || !encoder->m_picture || !encoder->m_source) {
        return nullptr;
    }
    const bool opened = compressor.IsUncompressed() ? encoder->CreatePool(encoder->FrameBytes())
                                                    : encoder->OpenCodec(compressor);
    return opened ? std::move(encoder) : nullptr;
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
    const int pictureBytes =
        av_image_get_buffer_size(context.pix_fmt, m_width, m_height, PictureAlign);
    return avcodec_open2(&context, codec, nullptr) >= 0 && pictureBytes > 0 &&
           CreatePool(pictureBytes) && OpenScaler();
}

// The colour conversion runs in slices of rows on as many threads as the machine has: on
// one thread it bounds the frame rate of every compressor.
bool CVideoEncoder::OpenScaler() {
    m_scaler.reset(sws_alloc_context());
    SwsContext* scaler = m_scaler.get();
    return scaler != nullptr && av_opt_set_int(scaler, "srcw", m_width, 0) >= 0 &&
           av_opt_set_int(scaler, "srch", m_height, 0) >= 0 &&
           av_opt_set_pixel_fmt(scaler, "src_format", AV_PIX_FMT_BGR24, 0) >= 0 &&
           av_opt_set_int(scaler, "dstw", m_width, 0) >= 0 &&
           av_opt_set_int(scaler, "dsth", m_height, 0) >= 0 &&
           av_opt_set_pixel_fmt(scaler, "dst_format", m_codec->pix_fmt, 0) >= 0 &&
           av_opt_set_int(scaler, "sws_flags", SWS_BICUBIC, 0) >= 0 &&
           av_opt_set_int(scaler, "threads", 0, 0) >= 0 &&
           sws_init_context(scaler, nullptr, nullptr) >= 0;
}

// Buffers of one size that come back when the last reference to them goes (the muxer and
// a threaded encoder hold on to some): each frame reuses memory that is already mapped.
bool CVideoEncoder::CreatePool(int bytes) {
    m_pool.reset(av_buffer_pool_init(static_cast<std::size_t>(bytes) + AV_INPUT_BUFFER_PADDING_SIZE,
                                     av_buffer_allocz));
    return m_pool != nullptr;
}

int CVideoEncoder::FrameBytes() const {
    return static_cast<int>(CFrameBuffer::Stride(static_cast<UINT>(m_width))) * m_height;
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
    m_packet->buf = av_buffer_pool_get(m_pool.get());
    if (m_packet->buf == nullptr) {
        return false;
    }
    // The padding after the data stays zero: nothing writes there.
    m_packet->data = m_packet->buf->data;
    m_packet->size = static_cast<int>(bits.size());
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
    if (!WrapSource(frame) || !NewPicture()) {
        av_frame_unref(m_source.get());
        return false;
    }
    const bool converted = sws_scale_frame(m_scaler.get(), m_picture.get(), m_source.get()) >= 0;
    av_frame_unref(m_source.get());
    m_picture->pts = index;
    m_picture->pict_type = AV_PICTURE_TYPE_I;
    // Never encode a picture that was not converted.
    const bool sent = converted && avcodec_send_frame(m_codec.get(), m_picture.get()) >= 0;
    av_frame_unref(m_picture.get());
    return sent && Drain(sink);
}

// The frame's rows as the scaler's source, top row first: its rows are stored bottom first,
// so the source starts at the top row and steps backwards.
bool CVideoEncoder::WrapSource(const CFrameBuffer& frame) {
    const std::vector<std::uint8_t>& bits = frame.Bits();
    m_source->buf[0] = av_buffer_create(const_cast<std::uint8_t*>(bits.data()), bits.size(),
                                        KeepRows, nullptr, AV_BUFFER_FLAG_READONLY);
    if (m_source->buf[0] == nullptr) {
        return false;
    }
    const int stride = static_cast<int>(frame.Stride());
    m_source->format = AV_PIX_FMT_BGR24;
    m_source->width = m_width;
    m_source->height = m_height;
    m_source->data[0] = m_source->buf[0]->data + static_cast<std::size_t>(stride) * (m_height - 1);
    m_source->linesize[0] = -stride;
    return true;
}

// A picture of the encoder's format in a pooled buffer.
bool CVideoEncoder::NewPicture() {
    m_picture->buf[0] = av_buffer_pool_get(m_pool.get());
    if (m_picture->buf[0] == nullptr) {
        return false;
    }
    m_picture->format = m_codec->pix_fmt;
    m_picture->width = m_width;
    m_picture->height = m_height;
    return av_image_fill_arrays(m_picture->data, m_picture->linesize, m_picture->buf[0]->data,
                                m_codec->pix_fmt, m_width, m_height, PictureAlign) >= 0;
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
