#pragma once

// The one rule for the WAV files that playback plays and the recorder takes: a RIFF "WAVE"
// file from its first byte whose "fmt " chunk (after any others, such as JUNK or LIST) is a
// playable PCM format (CSoundBuffer::IsPlayable), followed by a "data" chunk of a playable
// size, and whose every chunk lies inside the file.

#include "platform/CRiffReader.h"
#include "platform/DSoundTypes.h"

#include <optional>

struct WaveChunks {
    RiffChunk riff;
    // Read from at least 18 bytes, the ones missing from a shorter chunk zero, so that the
    // 16 bytes of a PCM format give cbSize 0.
    WAVEFORMATEX format;
    RiffChunk data;
};

// Reads the format and descends into the first "data" chunk after it, leaving the reader at
// its first byte; std::nullopt when the file does not follow the rule.
std::optional<WaveChunks> ReadWaveChunks(CRiffReader& reader);
