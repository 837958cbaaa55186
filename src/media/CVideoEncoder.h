#pragma once

// Turns recorded frames into the packets of one AVI video stream: uncompressed frames are
// written as they are (bottom-up 24-bit rows padded to 4 bytes, the layout of a device-
// independent bitmap); compressed ones are converted to the encoder's picture format on
// converter threads, a few frames at once, and encoded in order, every frame a key frame
// where the codec allows.

#include "media/FFmpegPointers.h"
#include "media/VideoCompressor.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class CFrameBuffer;
class PictureConverter;

class CVideoEncoder {
public:
    // Takes a packet, time-stamped in frames, and is done with its data when it returns (an
    // uncompressed packet is the frame itself); false when it cannot be written.
    using PacketSink = std::function<bool(AVPacket& packet)>;

    static constexpr int FramesPerSecond = 30;
    // Packets are time-stamped in frames.
    static constexpr AVRational TimeBase{1, FramesPerSecond};

    // Null for a size that no picture can have (not positive, or too large to address) and
    // when the encoder does not open at this size.
    static std::unique_ptr<CVideoEncoder> Open(const VideoCompressor& compressor, int width,
                                               int height);
    ~CVideoEncoder();
    CVideoEncoder(const CVideoEncoder&) = delete;
    CVideoEncoder& operator=(const CVideoEncoder&) = delete;

    // Describes the stream of the packets.
    bool SetStreamParameters(AVStream& stream) const;
    // Encodes a frame of the encoder's size as frame `index` and hands the packets that are
    // ready to the sink; compressed frames reach the sink a few frames later. False when
    // encoding or the sink fails, for this frame or one before it.
    bool Encode(const CFrameBuffer& frame, std::int64_t index, const PacketSink& sink);
    // Hands over the packets of the frames that are still being converted or encoded.
    bool Flush(const PacketSink& sink);

private:
    CVideoEncoder(int width, int height);

    bool OpenCodec(const VideoCompressor& compressor);
    bool CreatePool(int bytes);
    bool CreateConverters();
    bool WriteUncompressed(const CFrameBuffer& frame, std::int64_t index, const PacketSink& sink);
    bool EncodePicture(const CFrameBuffer& frame, std::int64_t index, const PacketSink& sink);
    // The converter `after` places past the one whose turn it is.
    PictureConverter& NextConverter(std::size_t after);
    // Encodes the picture that the converter holds, if any.
    bool SendConverted(PictureConverter& converter, const PacketSink& sink);
    bool Drain(const PacketSink& sink);

    int m_width;
    int m_height;
    // Null for uncompressed frames.
    FFmpeg::Pointer<AVCodecContext> m_codec;
    // The buffers of the encoder's pictures.
    FFmpeg::Pointer<AVBufferPool> m_pool;
    FFmpeg::Pointer<AVPacket> m_packet;
    // Frame i is converted by converter i modulo their number. Declared after the pool that
    // their pictures come from, so that they stop before it goes.
    std::vector<std::unique_ptr<PictureConverter>> m_converters;
    // Frames handed to the converters.
    std::int64_t m_started = 0;
};
