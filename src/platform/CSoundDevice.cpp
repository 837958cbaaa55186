#include "platform/CSoundDevice.h"

#include "platform/CPrimarySoundBuffer.h"
#include "platform/CSoundBuffer.h"

#include <SDL.h>

namespace {
constexpr int DefaultRate = 44100;
constexpr int DefaultChannels = 2;
constexpr int MinimumOutputRate = 8000;
constexpr int MaximumOutputRate = 192000;
// About 23 ms at 44.1 kHz: short enough that Play and Stop are heard at once.
constexpr Uint16 CallbackFrames = 1024;
} // namespace

CSoundDevice::CSoundDevice() : m_mixer(DefaultRate, DefaultChannels) {}

std::unique_ptr<CSoundDevice> CSoundDevice::Create() {
    // SDL would turn SIGINT and SIGTERM into quit events that nothing here reads: the program
    // has to end on them as any other program does.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        return nullptr;
    }
    std::unique_ptr<CSoundDevice> device(new CSoundDevice());
    if (!device->Open()) {
        return nullptr;
    }
    return device;
}

CSoundDevice::~CSoundDevice() {
    Close();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

HRESULT CSoundDevice::SetCooperativeLevel(HWND, DWORD) {
    return S_OK;
}

std::unique_ptr<CPrimarySoundBuffer> CSoundDevice::CreatePrimaryBuffer() {
    return std::make_unique<CPrimarySoundBuffer>(*this);
}

std::unique_ptr<CSoundBuffer> CSoundDevice::CreateSoundBuffer(const WAVEFORMATEX& format,
                                                              DWORD bytes) {
    if (!CSoundBuffer::IsPlayable(format, bytes)) {
        return nullptr;
    }
    return std::make_unique<CSoundBuffer>(m_mixer, format, bytes);
}

HRESULT CSoundDevice::SetOutputFormat(const WAVEFORMATEX& format) {
    const auto rate = static_cast<int>(format.nSamplesPerSec);
    if (format.wFormatTag != WAVE_FORMAT_PCM || format.wBitsPerSample != 16 ||
        (format.nChannels != 1 && format.nChannels != 2) || rate < MinimumOutputRate ||
        rate > MaximumOutputRate) {
        return DSERR_BADFORMAT;
    }
    if (m_device != 0 && rate == m_mixer.SampleRate() && format.nChannels == m_mixer.Channels()) {
        return S_OK;
    }
    Close();
    m_mixer.SetOutputFormat(rate, format.nChannels);
    return Open() ? S_OK : E_FAIL;
}

bool CSoundDevice::Open() {
    SDL_AudioSpec wanted{};
    wanted.freq = m_mixer.SampleRate();
    wanted.format = AUDIO_S16SYS;
    wanted.channels = static_cast<Uint8>(m_mixer.Channels());
    wanted.samples = CallbackFrames;
    wanted.callback = &CSoundDevice::MixCallback;
    wanted.userdata = this;
    // No format changes allowed: SDL converts to the hardware's format itself.
    SDL_AudioSpec obtained{};
    m_device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (m_device == 0) {
        return false;
    }
    SDL_PauseAudioDevice(m_device, 0);
    return true;
}

void CSoundDevice::Close() {
    if (m_device != 0) {
        SDL_CloseAudioDevice(m_device);
        m_device = 0;
    }
}

void CSoundDevice::MixCallback(void* device, std::uint8_t* stream, int bytes) {
    CSoundMixer& mixer = static_cast<CSoundDevice*>(device)->m_mixer;
    const int frameBytes = static_cast<int>(sizeof(std::int16_t)) * mixer.Channels();
    mixer.Mix(reinterpret_cast<std::int16_t*>(stream), bytes / frameBytes);
}
