#pragma once

// A WAV file read for the recorder: a RIFF "WAVE" file that playback plays too (8- or 16-bit
// PCM, mono or stereo, CSoundBuffer::IsPlayable) at 1,000 to 192,000 Hz, decoded by FFmpeg
// and converted to 16-bit mono PCM at the rate the recorder asks for.

#include "media/FFmpegPointers.h"
#include "platform/CRiffReader.h"
#include "platform/DSoundTypes.h"

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
    // before FFmpeg opens it, and FFmpeg must find the format that was checked.
    static std::unique_ptr<CWaveFile> Open(const std::string& path);

    // At most how many samples ReadMono16 gives at `sampleRate`.
    std::uint64_t Mono16Samples(int sampleRate) const;

    // Takes `count` samples of the sound; false ends the reading.
    using SampleSink = std::function<bool(const std::int16_t* samples, std::size_t count)>;

    // Hands the whole sound to `sink` in pieces of `pieceSamples` samples, the last one
    // shorter: only about a piece is held at a time, however long the sound. The file is read
    // once: a second call finds nothing more. A part that does not decode ends the sound early.
    void ReadMono16(int sampleRate, std::size_t pieceSamples, const SampleSink& sink);

private:
    CWaveFile(CRiffReader reader, const WAVEFORMATEX& format, std::uint64_t soundBytes);

    bool OpenDecoder();
    bool DecodesAsChecked() const;
    // FFmpeg's reading and seeking in the file.
    static int ReadInput(void* wave, std::uint8_t* buffer, int size);
    static std::int64_t SeekInput(void* wave, std::int64_t offset, int whence);

    // Hands over the whole pieces at the front of `samples`, or all of them; false when the
    // sink ended the reading.
    static bool HandOver(std::vector<std::int16_t>& samples, std::size_t pieceSamples,
                         const SampleSink& sink, bool all);
    bool Decode(const AVPacket* packet, SwrContext& resampler, std::vector<std::int16_t>& samples);
    static bool Convert(SwrContext& resampler, const AVFrame* frame,
                        std::vector<std::int16_t>& samples);

    // The checked file, which FFmpeg reads through m_input.
    CRiffReader m_reader;
    // The format of the "fmt " chunk.
    WAVEFORMATEX m_checked;
    // The bytes from the first sample to the file's end: all that FFmpeg may take for sound.
    std::uint64_t m_soundBytes;
    std::uint64_t m_inputPosition = 0;
    FFmpeg::Pointer<AVIOContext> m_input;
    FFmpeg::Input m_format;
    FFmpeg::Pointer<AVCodecContext> m_decoder;
    int m_stream = -1;
};
