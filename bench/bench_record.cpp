// Frames recorded per second at 640 x 480 with a WAV track, each recording into a new file:
// uncompressed and MJPEG through the recorder, and, for comparison, the ffmpeg command
// encoding the same raw frames into the same kind of MJPEG AVI. On an 8-core
// machine the recorder should write at least 1,500 uncompressed and 1,000 MJPEG frames per
// second (items_per_second).

#include "media/CAviRecorder.h"
#include "media/CDirectSound.h"
#include "media/IVideoCompressorChooser.h"
#include "platform/CFrameBuffer.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int Width = 640;
constexpr int Height = 480;
constexpr int FramesPerRecording = 300;
constexpr int DistinctFrames = 30;

class ChooseEncoder : public IVideoCompressorChooser {
public:
    explicit ChooseEncoder(std::string encoder) : m_encoder(std::move(encoder)) {}
    const VideoCompressor* Choose(const std::vector<VideoCompressor>& choices) override {
        const auto found =
            std::find_if(choices.begin(), choices.end(),
                         [this](const VideoCompressor& c) { return c.encoder == m_encoder; });
        return found == choices.end() ? nullptr : &*found;
    }

private:
    std::string m_encoder;
};

void WriteLittleEndian(std::ofstream& file, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        file.put(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

// Three seconds of a 44.1 kHz stereo tone, which the recorder converts to 22050 Hz mono.
void WriteWave(const std::string& path) {
    constexpr std::uint32_t frames = 3 * 44100;
    std::ofstream file(path, std::ios::binary);
    file << "RIFF";
    WriteLittleEndian(file, 36 + frames * 4, 4);
    file << "WAVEfmt ";
    for (const auto& [value, bytes] : std::vector<std::pair<std::uint32_t, int>>{
             {16, 4}, {1, 2}, {2, 2}, {44100, 4}, {176400, 4}, {4, 2}, {16, 2}}) {
        WriteLittleEndian(file, value, bytes);
    }
    file << "data";
    WriteLittleEndian(file, frames * 4, 4);
    for (std::uint32_t i = 0; i < frames * 2; ++i) {
        WriteLittleEndian(file, static_cast<std::uint16_t>((i * 97) % 20000), 2);
    }
}

// A picture with smooth areas and edges, different for each index.
CFrameBuffer MakeFrame(int index) {
    CFrameBuffer frame(Width, Height);
    std::vector<std::uint8_t> rows(frame.Bits().size());
    for (int y = 0; y < Height; ++y) {
        for (int x = 0; x < Width; ++x) {
            const bool square = ((x + index * 8) / 40 + y / 40) % 2 == 0;
            std::uint8_t* pixel = &rows[static_cast<std::size_t>(y) * frame.Stride() + 3 * x];
            pixel[0] = static_cast<std::uint8_t>(square ? 200 : x / 3);
            pixel[1] = static_cast<std::uint8_t>(y / 2 + index);
            pixel[2] = static_cast<std::uint8_t>(square ? 40 : (x + y) / 5);
        }
    }
    frame.Copy(rows);
    return frame;
}

// A program folder with the WAV, a sound object whose track sets it every 100 frames, and
// the frames to record.
class RecordingSetup {
public:
    RecordingSetup()
        : m_folder(std::filesystem::temp_directory_path() /
                   ("bench_record-" + std::to_string(getpid()))) {
        std::filesystem::create_directories(m_folder / "WAV");
        WriteWave((m_folder / "WAV" / "tone.wav").string());
        sound.m_programFolder = m_folder.string() + "/";
        sound.SetWaveFrameState(FramesPerRecording, 1);
        for (int frame = 0; frame < FramesPerRecording; frame += 100) {
            sound.SetWave(frame, "tone.wav");
        }
        for (int index = 0; index < DistinctFrames; ++index) {
            frames.push_back(MakeFrame(index));
        }
    }
    ~RecordingSetup() { std::filesystem::remove_all(m_folder); }

    std::string PathOf(const std::string& name) const { return (m_folder / name).string(); }

    CDirectSound sound;
    std::vector<CFrameBuffer> frames;

private:
    std::filesystem::path m_folder;
};

// Each recording goes to a name that is free: one renamed over an older recording makes ext4
// start writing it out at the rename, which takes longer than recording it.
void Record(benchmark::State& state, const std::string& encoder) {
    RecordingSetup setup;
    ChooseEncoder chooser(encoder);
    const std::string path = setup.PathOf("movie.avi");
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove(path);
        state.ResumeTiming();
        CAviRecorder recorder(setup.sound, chooser);
        CFrameBuffer* target = recorder.Open(Width, Height, path);
        if (target == nullptr) {
            state.SkipWithError("the recorder did not open");
            break;
        }
        for (int frame = 0; frame < FramesPerRecording; ++frame) {
            *target = setup.frames[static_cast<std::size_t>(frame % DistinctFrames)];
            if (!recorder.WriteFrame(target)) {
                state.SkipWithError("a frame was not written");
                break;
            }
        }
        recorder.Close();
    }
    state.SetItemsProcessed(state.iterations() * FramesPerRecording);
}

void BM_RecordUncompressed(benchmark::State& state) {
    Record(state, "");
}
BENCHMARK(BM_RecordUncompressed)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RecordMjpeg(benchmark::State& state) {
    Record(state, "mjpeg");
}
BENCHMARK(BM_RecordMjpeg)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same frames piped to the ffmpeg command, encoded with the recorder's MJPEG settings
// (quantiser 3, 4:2:0 full range, every frame a key frame) beside the same sound.
void BM_FfmpegCommandMjpeg(benchmark::State& state) {
    RecordingSetup setup;
    const std::string command =
        "ffmpeg -v error -y -f rawvideo -pix_fmt bgr24 -s " + std::to_string(Width) + "x" +
        std::to_string(Height) + " -r 30 -i - -i '" + setup.PathOf("WAV/tone.wav") +
        "' -vf vflip -c:v mjpeg -q:v 3 -pix_fmt yuvj420p -g 1 -c:a pcm_s16le -ar 22050 -ac 1 '" +
        setup.PathOf("command.avi") + "'";
    for (auto _ : state) {
        FILE* pipe = popen(command.c_str(), "w");
        if (pipe == nullptr) {
            state.SkipWithError("ffmpeg did not start");
            break;
        }
        for (int frame = 0; frame < FramesPerRecording; ++frame) {
            const std::vector<std::uint8_t>& bits =
                setup.frames[static_cast<std::size_t>(frame % DistinctFrames)].Bits();
            std::fwrite(bits.data(), 1, bits.size(), pipe);
        }
        if (pclose(pipe) != 0) {
            state.SkipWithError("ffmpeg failed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * FramesPerRecording);
}
BENCHMARK(BM_FfmpegCommandMjpeg)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
