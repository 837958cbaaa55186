#pragma once

// Adds up the playing sound buffers into the output of the sound device. The audio thread
// mixes while the user-interface thread starts and stops buffers, so both take one lock.

#include <cstdint>
#include <mutex>
#include <vector>

class CSoundBuffer;

class CSoundMixer {
public:
    CSoundMixer(int sampleRate, int channels);
    CSoundMixer(const CSoundMixer&) = delete;
    CSoundMixer& operator=(const CSoundMixer&) = delete;

    // Only while nothing mixes (the device is closed).
    void SetOutputFormat(int sampleRate, int channels);
    int SampleRate() const { return m_sampleRate; }
    int Channels() const { return m_channels; }

    // Starts the buffer where it stands, or changes its looping when it already plays.
    void Play(CSoundBuffer& buffer, bool loop);
    // Stops the buffer and keeps its position.
    void Stop(CSoundBuffer& buffer);
    bool IsPlaying(const CSoundBuffer& buffer, bool* looping);

    // Writes `frames` frames of 16-bit output (channels interleaved): the sum of the playing
    // buffers, clipped; silence when none plays.
    void Mix(std::int16_t* output, int frames);

private:
    std::mutex m_lock;
    int m_sampleRate;
    int m_channels;
    std::vector<CSoundBuffer*> m_playing;
    std::vector<std::int32_t> m_sum;
};
