#pragma once

// A WAV file read for the recorder: PCM of 1 to 8 channels, 8, 16, 24 or 32 bits and 1,000 to
// 192,000 Hz in a RIFF "WAVE" file that playback reads too, decoded by FFmpeg and converted
// to 16-bit mono PCM at the rate the recorder asks for.

#include "media/FFmpegPointers.h"
#include "platform/CRiffReader.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CWaveFile {
public:
    // Null when the file (a UTF-8 path) is not such a WAV file: not a regular file, larger
    // than 1 GiB, a chunk running past the file's end, another format. The file is checked
    // before FFmpeg opens it.
    static std::unique_ptr<CWaveFile> Open(const std::string& path);

    // The whole sound. The file is read once: a second call finds nothing more. A part that
    // does not decode ends the sound early.
    std::vector<std::int16_t> ReadMono16(int sampleRate);

private:
    explicit CWaveFile(CRiffReader reader);

    bool OpenDecoder();
    // FFmpeg's reading and seeking in the file.
    static int ReadInput(void* wave, std::uint8_t* buffer, int size);
    static std::int64_t SeekInput(void* wave, std::int64_t offset, int whence);

    bool Decode(const AVPacket* packet, SwrContext& resampler, std::vector<std::int16_t>& samples);
    static bool Convert(SwrContext& resampler, const AVFrame* frame,
                        std::vector<std::int16_t>& samples);

    // The checked file, which FFmpeg reads through m_input.
    CRiffReader m_reader;
    std::uint64_t m_inputPosition = 0;
    FFmpeg::Pointer<AVIOContext> m_input;
    FFmpeg::Input m_format;
    FFmpeg::Pointer<AVCodecContext> m_decoder;
    int m_stream = -1;
};
