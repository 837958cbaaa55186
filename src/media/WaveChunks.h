#pragma once

// The chunks of a RIFF "WAVE" file that a player needs, found as the multimedia file
// services find them: the first sub-chunk must be "fmt ", the first "data" chunk after it
// holds the sound. Playback and the recorder read WAV files through this one rule.

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

// Reads the format and descends into the "data" chunk, leaving the reader at its first
// byte; std::nullopt when the file is not a WAVE file of that layout.
std::optional<WaveChunks> ReadWaveChunks(CRiffReader& reader);
