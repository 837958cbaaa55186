#pragma once

// A WAV file read for the recorder: exactly the files that playback plays (ReadWaveChunks),
// their "data" chunk converted by FFmpeg's resampler to 16-bit mono PCM at the rate the
// recorder asks for.

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
    // than 1 GiB, a chunk before the sound running past the file's end, another format.
    static std::unique_ptr<CWaveFile> Open(const std::string& path);

    // At most how many samples ReadMono16 gives at `sampleRate`.
    std::uint64_t Mono16Samples(int sampleRate) const;

    // Takes `count` samples of the sound; false ends the reading.
    using SampleSink = std::function<bool(const std::int16_t* samples, std::size_t count)>;

    // Hands the whole sound to `sink` in pieces of `pieceSamples` samples, the last one
    // shorter: only about a piece is held at a time, however long the sound. The file is read
    // once: a second call finds nothing more. A part that cannot be read ends the sound early.
    void ReadMono16(int sampleRate, std::size_t pieceSamples, const SampleSink& sink);

private:
    CWaveFile(CRiffReader reader, const WAVEFORMATEX& format, std::uint64_t frames);

    FFmpeg::Pointer<SwrContext> MakeResampler(int sampleRate) const;
    // Hands over the whole pieces at the front of `samples`, or all of them; false when the
    // sink ended the reading.
    static bool HandOver(std::vector<std::int16_t>& samples, std::size_t pieceSamples,
                         const SampleSink& sink, bool all);
    // Converts `count` frames of the file's PCM (none: what the resampler still holds).
    static bool Convert(SwrContext& resampler, const std::uint8_t* frames, int count,
                        std::vector<std::int16_t>& samples);

    // Stands at the next unread frame of the "data" chunk.
    CRiffReader m_reader;
    WAVEFORMATEX m_format;
    // Whole frames of the "data" chunk that the file holds, and those of them not read yet.
    std::uint64_t m_frames;
    std::uint64_t m_unread;
};
