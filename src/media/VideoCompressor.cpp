#include "media/VideoCompressor.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace {

// Every one of these writes an AVI file that FFmpeg reads back, at any frame size from
// 1 x 1 pixel up.
const std::vector<VideoCompressor>& Candidates() {
    static const std::vector<VideoCompressor> candidates = {
        {"", "", "", "", 0, VideoCompressor::Note::None},
        {"Motion JPEG", "mjpeg", "MJPG", "yuvj420p", 3, VideoCompressor::Note::None},
        {"MPEG-4", "mpeg4", "XVID", "yuv420p", 3, VideoCompressor::Note::XvidCompatible},
        {"FFV1", "ffv1", "", "", 0, VideoCompressor::Note::Lossless},
        {"HuffYUV", "huffyuv", "", "", 0, VideoCompressor::Note::Lossless},
        {"FFmpeg HuffYUV", "ffvhuff", "", "", 0, VideoCompressor::Note::Lossless},
        {"Ut Video", "utvideo", "", "", 0, VideoCompressor::Note::Lossless},
        {"MagicYUV", "magicyuv", "", "", 0, VideoCompressor::Note::Lossless},
        {"PNG", "png", "", "", 0, VideoCompressor::Note::Lossless},
        {"Microsoft MPEG-4 V2", "msmpeg4v2", "", "yuv420p", 3, VideoCompressor::Note::None},
        {"Microsoft MPEG-4 V3", "msmpeg4", "", "yuv420p", 3, VideoCompressor::Note::None},
    };
    return candidates;
}

bool AviTakes(const VideoCompressor& compressor) {
    if (compressor.IsUncompressed()) {
        return true;
    }
    const AVCodec* codec = avcodec_find_encoder_by_name(compressor.encoder.c_str());
    const AVOutputFormat* avi = av_guess_format("avi", nullptr, nullptr);
    return codec != nullptr && avi != nullptr &&
           avformat_query_codec(avi, codec->id, FF_COMPLIANCE_NORMAL) == 1;
}

} // namespace

std::vector<VideoCompressor> VideoCompressor::Available() {
    std::vector<VideoCompressor> available;
    for (const VideoCompressor& compressor : Candidates()) {
        if (AviTakes(compressor)) {
            available.push_back(compressor);
        }
    }
    return available;
}
