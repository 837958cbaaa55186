#pragma once

// PCM formats for the sound buffer tests.

#include "platform/DSoundTypes.h"

inline WAVEFORMATEX PcmFormat(DWORD rate, WORD channels, WORD bits) {
    WAVEFORMATEX format;
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = channels;
    format.nSamplesPerSec = rate;
    format.nBlockAlign = static_cast<WORD>(channels * bits / 8);
    format.nAvgBytesPerSec = rate * format.nBlockAlign;
    format.wBitsPerSample = bits;
    return format;
}
