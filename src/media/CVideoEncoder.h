#pragma once

// Turns recorded frames into the packets of one AVI video stream: uncompressed frames are
// written as they are (bottom-up 24-bit rows padded to 4 bytes, the layout of a device-
// independent bitmap); compressed ones are converted to the encoder's picture format and
// encoded, every frame a key frame where the codec allows.

#include "media/FFmpegPointers.h"
#include "media/VideoCompressor.h"

#include <cstdint>
#include <functional>
#include <memory>

class CFrameBuffer;

class CVideoEncoder {
public:
    // Takes a packet, time-stamped in frames; false when it cannot be written.
    using PacketSink = std::function<bool(AVPacket& packet)>;

    static constexpr int FramesPerSecond = 30;
    // Packets are time-stamped in frames.
    static constexpr AVRational TimeBase{1, FramesPerSecond};

    // Null for a size that no picture can have (not positive, or too large to address) and
    // when the encoder does not open at this size.
    static std::unique_ptr<CVideoEncoder> Open(const VideoCompressor& compressor, int width,
                                               int height);

    // Describes the stream of the packets.
    bool SetStreamParameters(AVStream& stream) const;
    // Encodes a frame of the encoder's size as frame `index` and hands the packets that are
    // ready to the sink. False when encoding or the sink fails.
    bool Encode(const CFrameBuffer& frame, std::int64_t index, const PacketSink& sink);
    // Hands over the packets that the encoder still holds.
    bool Flush(const PacketSink& sink);

private:
    CVideoEncoder(int width, int height);

    bool OpenCodec(const VideoCompressor& compressor);
    bool OpenScaler();
    bool CreatePool(int bytes);
    int FrameBytes() const;
    bool WriteUncompressed(const CFrameBuffer& frame, std::int64_t index, const PacketSink& sink);
    bool EncodePicture(const CFrameBuffer& frame, std::int64_t index, const PacketSink& sink);
    bool WrapSource(const CFrameBuffer& frame);
    bool NewPicture();
    bool Drain(const PacketSink& sink);

    int m_width;
    int m_height;
    // Null for uncompressed frames.
    FFmpeg::Pointer<AVCodecContext> m_codec;
    FFmpeg::Pointer<SwsContext> m_scaler;
    // The buffers of uncompressed packets, or of the encoder's pictures.
    FFmpeg::Pointer<AVBufferPool> m_pool;
    FFmpeg::Pointer<AVPacket> m_packet;
    FFmpeg::Pointer<AVFrame> m_picture;
    // The frame being converted, as the scaler takes it.
    FFmpeg::Pointer<AVFrame> m_source;
};
