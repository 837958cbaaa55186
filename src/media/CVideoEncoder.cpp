#include "media/CVideoEncoder.h"

#include "media/PictureConverter.h"
#include "platform/CFrameBuffer.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <thread>

namespace {

constexpr int RecordedBitsPerPixel = 24;

// Half the machine converts frames, whole frames at once; the encoder's threads take the
// rest. Slices of one frame on every core left the recorder waiting for the slowest slice.
unsigned ConverterCount() {
    return std::max(1u, std::thread::hardware_concurrency() / 2);
}

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

CVideoEncoder::~CVideoEncoder() = default;

std::unique_ptr<CVideoEncoder> CVideoEncoder::Open(const VideoCompressor& compressor, int width,
                                                   int height) {
    if (av_image_check_size(static_cast<unsigned>(width), static_cast<unsigned>(height), 0,
                            nullptr) < 0) {
        return nullptr;
    }
    std::unique_ptr<CVideoEncoder> encoder(new CVideoEncoder(width, height));
    if (!encoder->m_packet) {
        return nullptr;
    }
    const bool opened = compressor.IsUncompressed() || encoder->OpenCodec(compressor);
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
    const int pictureBytes = av_image_get_buffer_size(context.pix_fmt, m_width, m_height,
                                                      PictureConverter::PictureAlign);
    return avcodec_open2(&context, codec, nullptr) >= 0 && pictureBytes > 0 &&
           CreatePool(pictureBytes) && CreateConverters();
}

bool CVideoEncoder::CreateConverters() {
    for (unsigned i = 0; i < ConverterCount(); ++i) {
        m_converters.push_back(
            PictureConverter::Create(m_width, m_height, m_codec->pix_fmt, *m_pool));
        if (!m_converters.back()) {
            return false;
        }
    }
    return true;
}

// Buffers of one size that come back when the last reference to them goes (a threaded
// encoder holds on to some): each frame reuses memory that is already mapped.
bool CVideoEncoder::CreatePool(int bytes) {
    m_pool.reset(av_buffer_pool_init(static_cast<std::size_t>(bytes) + AV_INPUT_BUFFER_PADDING_SIZE,
                                     av_buffer_allocz));
    return m_pool != nullptr;
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
    // The converters hold the last frames, the oldest in the one whose turn it is.
    bool sent = true;
    for (std::size_t i = 0; i < m_converters.size(); ++i) {
        sent = SendConverted(NextConverter(i), sink) && sent;
    }
    return avcodec_send_frame(m_codec.get(), nullptr) >= 0 && Drain(sink) && sent;
}

// The packet is the frame's own memory, which the sink is done with when it returns: a
// copy would cost as much as writing the frame to the file.
bool CVideoEncoder::WriteUncompressed(const CFrameBuffer& frame, std::int64_t index,
                                      const PacketSink& sink) {
    const std::vector<std::uint8_t>& bits = frame.Bits();
    m_packet->data = const_cast<std::uint8_t*>(bits.data()); // the muxer only reads it
    m_packet->size = static_cast<int>(bits.size());
    m_packet->pts = index;
    m_packet->dts = index;
    m_packet->duration = 1;
    m_packet->flags |= AV_PKT_FLAG_KEY;
    const bool written = sink(*m_packet);
    av_packet_unref(m_packet.get());
    return written;
}

// The frame starts converting; the picture of the frame that the same converter took a
// round earlier is encoded first, so that frames reach the encoder in order. A failure is
// that earlier frame's.
bool CVideoEncoder::EncodePicture(const CFrameBuffer& frame, std::int64_t index,
                                  const PacketSink& sink) {
    PictureConverter& converter = NextConverter(0);
    const bool sent = SendConverted(converter, sink);
    converter.Start(frame, index);
    ++m_started;
    return sent;
}

PictureConverter& CVideoEncoder::NextConverter(std::size_t after) {
    const auto next = static_cast<std::size_t>(m_started) + after;
    return *m_converters[next % m_converters.size()];
}

bool CVideoEncoder::SendConverted(PictureConverter& converter, const PacketSink& sink) {
    if (!converter.Busy()) {
        return true;
    }
    const FFmpeg::Pointer<AVFrame> picture = converter.Take();
    return picture && avcodec_send_frame(m_codec.get(), picture.get()) >= 0 && Drain(sink);
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
