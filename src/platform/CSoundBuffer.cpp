#include "platform/CSoundBuffer.h"

#include "platform/CSoundMixer.h"

namespace {
// The rates of real sound, which the recorder's conversion takes as well.
constexpr DWORD MinimumRate = 1000;
constexpr DWORD MaximumRate = 192000;
constexpr std::uint64_t FractionOne = std::uint64_t{1} << 32;
} // namespace

CSoundBuffer::CSoundBuffer(CSoundMixer& mixer, const WAVEFORMATEX& format, DWORD bytes)
    : m_mixer(mixer), m_format(format), m_data(bytes), m_frames(bytes / format.nBlockAlign) {}

CSoundBuffer::~CSoundBuffer() {
    m_mixer.Stop(*this);
}

bool CSoundBuffer::IsPlayableFormat(const WAVEFORMATEX& format) {
    const bool pcm = format.wFormatTag == WAVE_FORMAT_PCM &&
                     (format.wBitsPerSample == 8 || format.wBitsPerSample == 16) &&
                     (format.nChannels == 1 || format.nChannels == 2);
    return pcm && format.nBlockAlign == format.nChannels * format.wBitsPerSample / 8 &&
           format.nSamplesPerSec >= MinimumRate && format.nSamplesPerSec <= MaximumRate;
}

bool CSoundBuffer::IsPlayable(const WAVEFORMATEX& format, DWORD bytes) {
    return IsPlayableFormat(format) && bytes >= MinimumBytes && bytes <= MaximumBytes;
}

HRESULT CSoundBuffer::Play(DWORD flags) {
    m_mixer.Play(*this, (flags & DSBPLAY_LOOPING) != 0);
    return S_OK;
}

HRESULT CSoundBuffer::Stop() {
    m_mixer.Stop(*this);
    return S_OK;
}

HRESULT CSoundBuffer::GetStatus(DWORD* status) {
    bool looping = false;
    const bool playing = m_mixer.IsPlaying(*this, &looping);
    *status = playing ? DSBSTATUS_PLAYING | (looping ? DSBSTATUS_LOOPING : 0) : 0;
    return S_OK;
}

bool CSoundBuffer::MixInto(std::int32_t* sum, int frames, int outputRate, int outputChannels) {
    const std::uint64_t step =
        (std::uint64_t{m_format.nSamplesPerSec} << 32) / static_cast<std::uint64_t>(outputRate);
    const std::uint64_t end = static_cast<std::uint64_t>(m_frames) * FractionOne;
    for (int frame = 0; frame < frames; ++frame) {
        for (int channel = 0; channel < outputChannels; ++channel) {
            *sum++ += OutputValue(channel, outputChannels);
        }
        m_position += step;
        if (m_position >= end) {
            if (!m_looping) {
                m_position = 0;
                return false;
            }
            m_position %= end;
        }
    }
    return true;
}

std::int32_t CSoundBuffer::OutputValue(int channel, int outputChannels) const {
    if (m_format.nChannels == outputChannels) {
        return Interpolated(channel);
    }
    if (m_format.nChannels == 1) {
        return Interpolated(0);
    }
    return (Interpolated(0) + Interpolated(1)) / 2;
}

std::int32_t CSoundBuffer::Interpolated(int channel) const {
    const std::size_t frame = static_cast<std::size_t>(m_position >> 32);
    const auto fraction = static_cast<std::int64_t>(m_position & (FractionOne - 1));
    // The last frame leads into the first one only when the buffer loops.
    const std::size_t next = frame + 1 < m_frames ? frame + 1 : (m_looping ? 0 : frame);
    const std::int32_t current = Sample(frame, channel);
    const std::int64_t difference = Sample(next, channel) - current;
    return current + static_cast<std::int32_t>(difference * fraction /
                                               static_cast<std::int64_t>(FractionOne));
}

std::int32_t CSoundBuffer::Sample(std::size_t frame, int channel) const {
    const std::size_t bytesPerSample = m_format.wBitsPerSample / 8;
    const std::uint8_t* sample = m_data.data() + frame * m_format.nBlockAlign +
                                 static_cast<std::size_t>(channel) * bytesPerSample;
    if (bytesPerSample == 1) {
        return (static_cast<std::int32_t>(sample[0]) - 128) * 256;
    }
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(sample[0] | (sample[1] << 8)));
}
