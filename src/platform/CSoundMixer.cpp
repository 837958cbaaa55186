#include "platform/CSoundMixer.h"

#include "platform/CSoundBuffer.h"

#include <algorithm>
#include <limits>

CSoundMixer::CSoundMixer(int sampleRate, int channels)
    : m_sampleRate(sampleRate), m_channels(channels) {}

void CSoundMixer::SetOutputFormat(int sampleRate, int channels) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_sampleRate = sampleRate;
    m_channels = channels;
}

void CSoundMixer::Play(CSoundBuffer& buffer, bool loop) {
    std::lock_guard<std::mutex> guard(m_lock);
    buffer.m_looping = loop;
    if (std::find(m_playing.begin(), m_playing.end(), &buffer) == m_playing.end()) {
        m_playing.push_back(&buffer);
    }
}

void CSoundMixer::Stop(CSoundBuffer& buffer) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_playing.erase(std::remove(m_playing.begin(), m_playing.end(), &buffer), m_playing.end());
}

bool CSoundMixer::IsPlaying(const CSoundBuffer& buffer, bool* looping) {
    std::lock_guard<std::mutex> guard(m_lock);
    *looping = buffer.m_looping;
    return std::find(m_playing.begin(), m_playing.end(), &buffer) != m_playing.end();
}

void CSoundMixer::Mix(std::int16_t* output, int frames) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_sum.assign(static_cast<std::size_t>(frames) * static_cast<std::size_t>(m_channels), 0);
    for (auto buffer = m_playing.begin(); buffer != m_playing.end();) {
        if ((*buffer)->MixInto(m_sum.data(), frames, m_sampleRate, m_channels)) {
            ++buffer;
        } else {
            buffer = m_playing.erase(buffer);
        }
    }
    std::transform(m_sum.begin(), m_sum.end(), output, [](std::int32_t value) {
        return static_cast<std::int16_t>(
            std::clamp<std::int32_t>(value, std::numeric_limits<std::int16_t>::min(),
                                     std::numeric_limits<std::int16_t>::max()));
    });
}
