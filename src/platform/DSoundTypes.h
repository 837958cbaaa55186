#pragma once

// The sound formats, flags and results of the DirectSound interfaces that the sound object
// uses.

#include "platform/WinTypes.h"

#include <cstdint>

using WORD = std::uint16_t;

constexpr WORD WAVE_FORMAT_PCM = 1;

// A sound format as a WAV file's "fmt " chunk stores it (the first 18 bytes, little-endian).
struct WAVEFORMATEX {
    WORD wFormatTag = 0;
    WORD nChannels = 0;
    DWORD nSamplesPerSec = 0;
    DWORD nAvgBytesPerSec = 0;
    WORD nBlockAlign = 0;
    WORD wBitsPerSample = 0;
    WORD cbSize = 0;
};

constexpr DWORD DSSCL_EXCLUSIVE = 3;

constexpr DWORD DSBPLAY_LOOPING = 1;

constexpr DWORD DSBSTATUS_PLAYING = 1;
constexpr DWORD DSBSTATUS_LOOPING = 4;

constexpr HRESULT DSERR_BADFORMAT = static_cast<HRESULT>(0x88780064u);
