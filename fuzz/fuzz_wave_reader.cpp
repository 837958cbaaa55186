// Bytes as a WAV file of the WAV folder: loaded for playback through the RIFF reader, then
// opened and converted as the recorder reads it.

#include "media/CDirectSound.h"
#include "media/CWaveFile.h"

extern "C" {
#include <libavutil/log.h>
}

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

const std::filesystem::path& ProgramFolder() {
    static const std::filesystem::path folder =
        std::filesystem::temp_directory_path() /
        ("fuzz_wave_reader-" + std::to_string(static_cast<long>(getpid())));
    return folder;
}

// The sound object of the program folder, with a sound device.
CDirectSound& Sound() {
    static CDirectSound sound;
    return sound;
}

void RemoveProgramFolder() {
    std::error_code error;
    std::filesystem::remove_all(ProgramFolder(), error);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("SDL_AUDIODRIVER", "dummy", 1); // a sound device on machines without a sound card
    av_log_set_level(AV_LOG_QUIET);        // the resampler's notes are no findings
    std::filesystem::create_directories(ProgramFolder() / WaveFolderPrefix);
    Sound().m_programFolder = ProgramFolder().string() + "/";
    Sound().m_pDS = CSoundDevice::Create();
    std::atexit(RemoveProgramFolder);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CDirectSound& sound = Sound();
    const std::string name = std::string(WaveFolderPrefix) + "input.wav";
    const std::string path = sound.m_programFolder + name;
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    const bool played = sound.LoadWave(0, name);
    sound.m_pBuffers[0].reset();
    std::unique_ptr<CWaveFile> wave = CWaveFile::Open(path);
    // The recorder takes exactly the WAVs that playback plays.
    if (sound.m_pDS && played != (wave != nullptr)) {
        std::abort();
    }
    if (wave) {
        // It gives no more than it said.
        std::uint64_t samples = 0;
        wave->ReadMono16(22050, 22050, [&samples](const std::int16_t*, std::size_t count) {
            samples += count;
            return true;
        });
        if (samples > wave->Mono16Samples(22050)) {
            std::abort();
        }
    }
    return 0;
}
