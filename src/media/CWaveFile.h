#pragma once

// A WAV file read for the recorder: PCM of 1 to 8 channels, 8, 16, 24 or 32 bits and 1,000 to
// 192,000 Hz in a RIFF "WAVE" file that playback reads too, decoded by FFmpeg and converted
// to 16-bit mono PCM at the rate the recorder asks for.

#include "media/FFmpegPointers.h"
#include "platform/CRiffReader.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CWaveFile {
public:
    // Null when the file (a UTF-8 path) is not such a WAV file: not a regular file, larger
    // than 1 GiB, a chunk running past the file's end, another format. The file is checked
    // before FFmpeg opens it.
    static std::unique_ptr<CWaveFile> Open(const std::string& path);

    // Takes `count` samples of the sound.
    using SampleSink = std::function<void(const std::int16_t* samples, std::size_t count)>;

    // Hands the whole sound to `sink` in pieces of `pieceSamples` samples, the last one
    // shorter: only about a piece is held at a time, however long the sound (a 1 GiB file at
    // 1,000 Hz gives 47 GB at 22,050 Hz). The file is read once: a second call finds nothing
    // more. A part that does not decode ends the sound early.
    void ReadMono16(int sampleRate, std::size_t pieceSamples, const SampleSink& sink);

private:
    explicit CWaveFile(CRiffReader reader);

    bool OpenDecoder();
    // FFmpeg's reading and seeking in the file.
    static int ReadInput(void* wave, std::uint8_t* buffer, int size);
    static std::int64_t SeekInput(void* wave, std::int64_t offset, int whence);

    // Hands over the whole pieces at the front of `samples`, or all of them.
    static void HandOver(std::vector<std::int16_t>& samples, std::size_t pieceSamples,
                         const SampleSink& sink, bool all);
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
