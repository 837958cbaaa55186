#pragma once

// The sound device: the default audio output of SDL, mixing the playing buffers in its
// audio callback. A machine with no sound card, or whose audio driver does not open, has no
// device; the program then runs silent.

#include "platform/CSoundMixer.h"
#include "platform/D3DTypes.h"
#include "platform/DSoundTypes.h"

#include <cstdint>
#include <memory>

class CPrimarySoundBuffer;
class CSoundBuffer;

class CSoundDevice {
public:
    // Opens the default output at 44.1 kHz, 16-bit stereo; null when there is none.
    static std::unique_ptr<CSoundDevice> Create();
    ~CSoundDevice();
    CSoundDevice(const CSoundDevice&) = delete;
    CSoundDevice& operator=(const CSoundDevice&) = delete;

    // The output is shared with other programs here: every level is accepted.
    HRESULT SetCooperativeLevel(HWND window, DWORD level);
    std::unique_ptr<CPrimarySoundBuffer> CreatePrimaryBuffer();
    // A static buffer of `bytes` bytes in the given format; null for a format that cannot
    // play or a size outside the buffer limits (CSoundBuffer::IsPlayable). Buffers are
    // released before their device.
    std::unique_ptr<CSoundBuffer> CreateSoundBuffer(const WAVEFORMATEX& format, DWORD bytes);

    // Reopens the output in another format: 16-bit PCM, mono or stereo, 8 to 192 kHz.
    HRESULT SetOutputFormat(const WAVEFORMATEX& format);

private:
    CSoundDevice();
    bool Open();
    void Close();
    static void MixCallback(void* device, std::uint8_t* stream, int bytes);

    CSoundMixer m_mixer;
    std::uint32_t m_device = 0;
};
