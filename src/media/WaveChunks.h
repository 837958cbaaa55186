#pragma once

// The one rule for the WAV files that playback plays and the recorder takes: a RIFF "WAVE"
// file from its first byte whose "fmt " chunk (after any others, such as JUNK or LIST) is a
// playable PCM format (CSoundBuffer::IsPlayable), followed by a "data" chunk whose sound is of
// a playable size. What follows the "data" chunk is never read, and a file cut short inside it
// holds the sound that is there.

#include "platform/CRiffReader.h"
#include "platform/DSoundTypes.h"

#include <optional>

struct WaveChunks {
    RiffChunk riff;
    // Read from at least 18 bytes, the ones missing from a shorter chunk zero, so that the
    // 16 bytes of a PCM format give cbSize 0.
    WAVEFORMATEX format;
    RiffChunk data;
    // The bytes of the "data" chunk that the file holds, cut to whole sample frames when the
    // file ends inside the chunk: memory for the sound follows them, not the claimed size.
    DWORD soundBytes;
};

// Reads the format and descends into the first "data" chunk after it, leaving the reader at
// its first byte; std::nullopt when the file does not follow the rule.
std::optional<WaveChunks> ReadWaveChunks(CRiffReader& reader);
