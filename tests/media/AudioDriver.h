#pragma once

// SDL's audio driver for one test: "dummy" plays into nothing, "disk" writes the mixed
// output into a file, and an unknown name stands for a machine without sound.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

class ScopedAudioDriver {
public:
    explicit ScopedAudioDriver(const char* driver, const std::string& diskFile = std::string()) {
        setenv("SDL_AUDIODRIVER", driver, 1);
        if (!diskFile.empty()) {
            setenv("SDL_DISKAUDIOFILE", diskFile.c_str(), 1);
        }
    }
    ~ScopedAudioDriver() {
        unsetenv("SDL_AUDIODRIVER");
        unsetenv("SDL_DISKAUDIOFILE");
    }
    ScopedAudioDriver(const ScopedAudioDriver&) = delete;
    ScopedAudioDriver& operator=(const ScopedAudioDriver&) = delete;
};

// The samples that the disk driver has written so far, channels interleaved.
class DiskOutput {
public:
    using Samples = std::vector<std::int16_t>;

    explicit DiskOutput(std::string path) : m_path(std::move(path)) {}

    const std::string& Path() const { return m_path; }

    Samples Read() const {
        std::ifstream file(m_path, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(file)),
                                std::istreambuf_iterator<char>());
        Samples samples(bytes.size() / 2);
        std::copy_n(reinterpret_cast<const std::int16_t*>(bytes.data()), samples.size(),
                    samples.begin());
        return samples;
    }

    // Reads the output until `done` holds for it, for at most 10 seconds; the last output.
    Samples WaitFor(const std::function<bool(const Samples&)>& done) const {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        Samples samples = Read();
        while (!done(samples) && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            samples = Read();
        }
        return samples;
    }

    // Where `sound` starts in the output, or -1.
    static long Find(const Samples& output, const Samples& sound) {
        const auto found = std::search(output.begin(), output.end(), sound.begin(), sound.end());
        return found == output.end() ? -1 : static_cast<long>(found - output.begin());
    }

private:
    std::string m_path;
};
