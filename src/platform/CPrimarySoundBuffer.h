#pragma once

// The primary buffer of the sound device: setting its format sets the format that the
// device mixes and plays in.

#include "platform/DSoundTypes.h"

class CSoundDevice;

class CPrimarySoundBuffer {
public:
    explicit CPrimarySoundBuffer(CSoundDevice& device) : m_device(device) {}

    HRESULT SetFormat(const WAVEFORMATEX& format);

private:
    CSoundDevice& m_device;
};
