#include "media/CWaveFile.h"

#include "MediaProbe.h"
#include "WaveBytes.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace WaveBytes;
using Samples = std::vector<std::int16_t>;

class CWaveFileTest : public testing::Test {
protected:
    std::unique_ptr<CWaveFile> OpenBytes(const std::string& bytes) const {
        return CWaveFile::Open(folder.Write("sound.wav", bytes));
    }

    // True when every sample away from the ends (where the resampler's filter starts and
    // stops) is within the resampler's ripple of `value`.
    static bool SteadyAt(const Samples& samples, int value) {
        return samples.size() > 200 &&
               std::all_of(samples.begin() + 100, samples.end() - 100,
                           [value](std::int16_t s) { return std::abs(s - value) <= 8; });
    }

    ScratchFolder folder;
};

TEST_F(CWaveFileTest, SixteenBitMonoAtTheRecordingRateIsReadUnchanged) {
    const Samples wave = Ramp(5000);
    auto file = OpenBytes(Wave16(22050, 1, wave));
    ASSERT_NE(file, nullptr);

    EXPECT_EQ(file->ReadMono16(22050), wave);
}

TEST_F(CWaveFileTest, StereoAtTwiceTheRateIsMixedDownAndResampled) {
    auto file = OpenBytes(Wave16(44100, 2, Samples(2 * 44100, 1000)));
    ASSERT_NE(file, nullptr);

    const Samples samples = file->ReadMono16(22050);

    EXPECT_NEAR(static_cast<double>(samples.size()), 22050.0, 50.0);
    EXPECT_TRUE(SteadyAt(samples, 1000));
}

TEST_F(CWaveFileTest, EightBitMonoIsWidenedAndResampled) {
    auto file = OpenBytes(Wave(11025, 1, 8, Pcm8(std::vector<std::uint8_t>(11025, 200))));
    ASSERT_NE(file, nullptr);

    const Samples samples = file->ReadMono16(22050);

    EXPECT_NEAR(static_cast<double>(samples.size()), 22050.0, 50.0);
    EXPECT_TRUE(SteadyAt(samples, (200 - 128) * 256));
}

TEST_F(CWaveFileTest, FloatingPointSamplesAreConverted) {
    std::string data;
    const float half = 0.5f;
    for (int i = 0; i < 22050; ++i) {
        data.append(reinterpret_cast<const char*>(&half), sizeof half);
    }
    auto file =
        OpenBytes(Riff("WAVE", Chunk("fmt ", Format(22050, 1, 32, 3)) + Chunk("data", data)));
    ASSERT_NE(file, nullptr);

    const Samples samples = file->ReadMono16(22050);

    EXPECT_EQ(samples.size(), 22050u);
    EXPECT_TRUE(SteadyAt(samples, 16384));
}

TEST_F(CWaveFileTest, CompressedWaveIsDecoded) {
    const std::string path = folder.PathOf("adpcm.wav");
    MediaProbe::Run("ffmpeg -v error -f lavfi -i sine=frequency=440:sample_rate=8000:duration=1 "
                    "-c:a adpcm_ima_wav " +
                    MediaProbe::Quoted(path));
    auto file = CWaveFile::Open(path);
    ASSERT_NE(file, nullptr);

    const Samples samples = file->ReadMono16(22050);

    EXPECT_NEAR(static_cast<double>(samples.size()), 22050.0, 600.0);
    EXPECT_GT(*std::max_element(samples.begin(), samples.end()), 3000);
}

TEST_F(CWaveFileTest, SoundIsReadOnce) {
    auto file = OpenBytes(Wave16(22050, 1, Ramp(100)));
    ASSERT_NE(file, nullptr);
    file->ReadMono16(22050);

    EXPECT_TRUE(file->ReadMono16(22050).empty());
}

TEST_F(CWaveFileTest, DataCutShortGivesTheSamplesThatAreThere) {
    const Samples wave = Ramp(64);
    auto file = OpenBytes(
        Riff("WAVE", Chunk("fmt ", Format(22050, 1, 16)) + Chunk("data", Pcm16(wave), 100000)));
    ASSERT_NE(file, nullptr);

    EXPECT_EQ(file->ReadMono16(22050), wave);
}

TEST_F(CWaveFileTest, FilesThatAreNotWavFilesDoNotOpen) {
    EXPECT_EQ(OpenBytes(""), nullptr);
    EXPECT_EQ(OpenBytes("This is not a sound, though it is long enough to be probed."), nullptr);
    EXPECT_EQ(OpenBytes(Riff("AVI ", Chunk("fmt ", Format(22050, 1, 16)))), nullptr);
    EXPECT_EQ(OpenBytes(Riff("WAVE",
                             Chunk("fmt ", Format(22050, 0, 16)) + Chunk("data", Pcm16(Ramp(64))))),
              nullptr);
    EXPECT_EQ(CWaveFile::Open(folder.PathOf("missing.wav")), nullptr);
}

} // namespace
