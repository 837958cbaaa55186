#pragma once

// A WAV file read for the recorder: any sound format that FFmpeg decodes inside a RIFF
// "WAVE" file, converted to 16-bit mono PCM at the rate the recorder asks for.

#include "media/FFmpegPointers.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CWaveFile {
public:
    // Null when the file (a UTF-8 path) is not a WAV file with a sound stream that FFmpeg
    // can decode.
    static std::unique_ptr<CWaveFile> Open(const std::string& path);

    // The whole sound. The file is read once: a second call finds nothing more. A part that
    // does not decode ends the sound early.
    std::vector<std::int16_t> ReadMono16(int sampleRate);

private:
    CWaveFile(FFmpeg::Input format, FFmpeg::Pointer<AVCodecContext> decoder, int stream);

    bool Decode(const AVPacket* packet, SwrContext& resampler, std::vector<std::int16_t>& samples);
    static bool Convert(SwrContext& resampler, const AVFrame* frame,
                        std::vector<std::int16_t>& samples);

    FFmpeg::Input m_format;
    FFmpeg::Pointer<AVCodecContext> m_decoder;
    int m_stream;
};
