#pragma once

// A static secondary sound buffer: PCM in its own format (8-bit unsigned or 16-bit signed,
// mono or stereo, 1,000 to 192,000 Hz), converted to the output format while it is mixed. Play
// starts where the buffer stands; a buffer that plays to its end without looping stops and goes
// back to its start.

#include "platform/DSoundTypes.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class CSoundMixer;

class CSoundBuffer {
public:
    // Buffers hold at least 4 bytes and less than 256 MiB.
    static constexpr DWORD MinimumBytes = 4;
    static constexpr DWORD MaximumBytes = 0x0FFFFFFF;

    // The format and the size must pass IsPlayable.
    CSoundBuffer(CSoundMixer& mixer, const WAVEFORMATEX& format, DWORD bytes);
    ~CSoundBuffer();
    CSoundBuffer(const CSoundBuffer&) = delete;
    CSoundBuffer& operator=(const CSoundBuffer&) = delete;

    static bool IsPlayableFormat(const WAVEFORMATEX& format);
    // Whether a sound of `bytes` bytes in `format` can play: the one rule for the WAV files
    // that playback and the recorder take.
    static bool IsPlayable(const WAVEFORMATEX& format, DWORD bytes);

    // The PCM bytes, zeroed at creation; filled before the buffer first plays.
    std::uint8_t* Data() { return m_data.data(); }
    DWORD Size() const { return static_cast<DWORD>(m_data.size()); }

    // DSBPLAY_LOOPING in the flags loops the buffer.
    HRESULT Play(DWORD flags);
    HRESULT Stop();
    // DSBSTATUS_PLAYING, with DSBSTATUS_LOOPING when it loops.
    HRESULT GetStatus(DWORD* status);

private:
    friend class CSoundMixer;

    // Adds the next `frames` output frames of the buffer to `sum`, stepping through its own
    // frames at its rate and interpolating between them. False when a play without looping
    // has reached the end (the position is then back at the start).
    bool MixInto(std::int32_t* sum, int frames, int outputRate, int outputChannels);
    // The value at the position for one output channel: mono is sent to both channels,
    // stereo mixed down to mono by averaging.
    std::int32_t OutputValue(int channel, int outputChannels) const;
    std::int32_t Interpolated(int channel) const;
    std::int32_t Sample(std::size_t frame, int channel) const;

    CSoundMixer& m_mixer;
    WAVEFORMATEX m_format;
    std::vector<std::uint8_t> m_data;
    std::size_t m_frames;
    // Changed only under the mixer's lock.
    bool m_looping = false;
    // Position in frames of the buffer, 32.32 fixed point.
    std::uint64_t m_position = 0;
};
