#include "media/CWaveFile.h"

#include "media/CDirectSound.h"

#include "AudioDriver.h"
#include "WaveBytes.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/stat.h>
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

    // The whole sound, handed over in pieces of a second.
    static Samples ReadAll(CWaveFile& file) {
        Samples samples;
        file.ReadMono16(22050, 22050, [&samples](const std::int16_t* piece, std::size_t count) {
            samples.insert(samples.end(), piece, piece + count);
            return true;
        });
        return samples;
    }

    ScratchFolder folder;
};

TEST_F(CWaveFileTest, SixteenBitMonoAtTheRecordingRateIsReadUnchanged) {
    const Samples wave = Ramp(5000);
    auto file = OpenBytes(Wave16(22050, 1, wave));
    ASSERT_NE(file, nullptr);

    EXPECT_EQ(ReadAll(*file), wave);
}

TEST_F(CWaveFileTest, StereoAtTwiceTheRateIsMixedDownAndResampled) {
    auto file = OpenBytes(Wave16(44100, 2, Samples(2 * 44100, 1000)));
    ASSERT_NE(file, nullptr);

    const Samples samples = ReadAll(*file);

    EXPECT_NEAR(static_cast<double>(samples.size()), 22050.0, 50.0);
    EXPECT_TRUE(SteadyAt(samples, 1000));
}

TEST_F(CWaveFileTest, EightBitMonoIsWidenedAndResampled) {
    auto file = OpenBytes(Wave(11025, 1, 8, Pcm8(std::vector<std::uint8_t>(11025, 200))));
    ASSERT_NE(file, nullptr);

    const Samples samples = ReadAll(*file);

    EXPECT_NEAR(static_cast<double>(samples.size()), 22050.0, 50.0);
    EXPECT_TRUE(SteadyAt(samples, (200 - 128) * 256));
}

// The "fmt " body of a format with the block alignment given (-1: the one its channels and
// bits make, at least 1) and no byte rate, which nothing reads.
std::string RawFormat(int tag, int channels, std::uint32_t rate, int bits, int blockAlign = -1) {
    return Word(static_cast<std::uint16_t>(tag)) + Word(static_cast<std::uint16_t>(channels)) +
           DoubleWord(rate) + DoubleWord(0) +
           Word(static_cast<std::uint16_t>(blockAlign < 0 ? std::max(1, channels * bits / 8)
                                                          : blockAlign)) +
           Word(static_cast<std::uint16_t>(bits));
}

TEST_F(CWaveFileTest, OnlyWavesThatPlaybackPlaysOpenAtTheRecordableRates) {
    const ScopedAudioDriver driver("dummy");
    CDirectSound playback;
    playback.m_programFolder = folder.Path().string() + "/";
    playback.m_pDS = CSoundDevice::Create();
    ASSERT_NE(playback.m_pDS, nullptr);
    struct Case {
        const char* what;
        int tag;
        int channels;
        std::uint32_t rate;
        int bits;
        int blockAlign;
        bool plays;
        bool opens;
    };
    const Case cases[] = {
        {"mono 8-bit at the lowest rate", 1, 1, 1000, 8, -1, true, true},
        {"stereo 16-bit at the highest rate", 1, 2, 192000, 16, -1, true, true},
        {"below the lowest rate", 1, 1, 999, 16, -1, true, false},
        {"above the highest rate", 1, 1, 192001, 16, -1, true, false},
        {"24-bit stereo", 1, 2, 48000, 24, -1, false, false},
        {"eight channels of 32 bits", 1, 8, 48000, 32, -1, false, false},
        {"three channels", 1, 3, 22050, 16, -1, false, false},
        {"no channel", 1, 0, 22050, 16, -1, false, false},
        {"12 bits", 1, 1, 22050, 12, -1, false, false},
        {"floating point", 3, 1, 22050, 32, -1, false, false},
        {"IMA ADPCM", 0x11, 1, 22050, 4, -1, false, false},
        {"extensible", 0xFFFE, 2, 44100, 16, -1, false, false},
        {"block align 0", 1, 2, 22050, 16, 0, false, false},
        {"block align 1", 1, 2, 22050, 16, 1, false, false},
        {"block align 3", 1, 2, 22050, 16, 3, false, false},
        {"block align 65535", 1, 2, 22050, 16, 65535, false, false},
    };
    for (const Case& c : cases) {
        const std::string path = folder.Write(
            "WAV/sound.wav",
            Riff("WAVE", Chunk("fmt ", RawFormat(c.tag, c.channels, c.rate, c.bits, c.blockAlign)) +
                             Chunk("data", Pcm16(Ramp(2400)))));

        EXPECT_EQ(playback.LoadWave(0, "WAV/sound.wav"), c.plays) << c.what;
        EXPECT_EQ(CWaveFile::Open(path) != nullptr, c.opens) << c.what;
    }
}

TEST_F(CWaveFileTest, SoundThatFFmpegTakesForAnotherCodecDoesNotOpen) {
    // Three AC-3 bursts of S/PDIF, a frame apart, in 16-bit stereo PCM: FFmpeg's WAV reader
    // takes the file for AC-3.
    constexpr std::size_t BurstBytes = 1536 * 4;
    std::string data(3 * BurstBytes, '\0');
    for (std::size_t burst = 0; burst < 3; ++burst) {
        data.replace(burst * BurstBytes, 8, "\x72\xF8\x1F\x4E\x01\x00\x00\x10", 8);
    }

    EXPECT_EQ(OpenBytes(Wave(48000, 2, 16, data)), nullptr);
    data[BurstBytes] = '\0'; // no longer a burst a frame after the first
    EXPECT_NE(OpenBytes(Wave(48000, 2, 16, data)), nullptr);
}

TEST_F(CWaveFileTest, SampleCountIsKnownBeforeReadingAndBoundsWhatIsRead) {
    const struct {
        int rate;
        int channels;
        int bits;
        std::size_t frames;
        std::string tail;
    } cases[] = {
        {22050, 1, 16, 5000, ""},
        {1000, 1, 8, 1000, ""},
        {11025, 2, 16, 4001, ""},
        {44100, 2, 8, 7777, ""},
        {192000, 1, 16, 19200, ""},
        // FFmpeg may read a second "data" chunk instead of the first.
        {22050, 1, 16, 100, Chunk("data", Pcm16(Ramp(300)))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rate);
        const std::size_t bytes = c.frames * static_cast<std::size_t>(c.channels * c.bits / 8);
        auto file = OpenBytes(Riff("WAVE", Chunk("fmt ", Format(c.rate, c.channels, c.bits)) +
                                               Chunk("data", std::string(bytes, '\x01')) + c.tail));
        ASSERT_NE(file, nullptr);
        const std::uint64_t known = file->Mono16Samples(22050);

        const Samples samples = ReadAll(*file);

        EXPECT_LE(samples.size(), known);
        if (c.tail.empty()) {
            EXPECT_GE(samples.size() + 2, known);
        }
    }
}

TEST_F(CWaveFileTest, SinkEndsTheReadingAtOnce) {
    auto file = OpenBytes(Wave16(22050, 1, Ramp(5000)));
    ASSERT_NE(file, nullptr);
    int pieces = 0;

    file->ReadMono16(22050, 1000,
                     [&pieces](const std::int16_t*, std::size_t) { return ++pieces < 2; });

    EXPECT_EQ(pieces, 2);
}

TEST_F(CWaveFileTest, WaveAtAFrequencyFarAboveAudioIsRefusedBeforeResampling) {
    const std::string bytes = Wave16(285000000, 1, Ramp(64));
    ASSERT_EQ(bytes.size(), 172u);

    EXPECT_EQ(OpenBytes(bytes), nullptr);
}

TEST_F(CWaveFileTest, ListChunkThatClaimsMoreThanTheFileIsRefusedBeforeFFmpegReadsIt) {
    // An INFO list at the file's end, unpadded, whose size and the size of its one entry run
    // far past the file's end.
    const std::string list = "LIST" + DoubleWord(0xFFFFFFF0) + "INFO" + "INAM" +
                             DoubleWord(0x7FFFFFF0) + std::string(47, 'n');
    const std::string chunks =
        "WAVE" + Chunk("fmt ", Format(22050, 1, 16)) + Chunk("data", Pcm16(Ramp(300))) + list;
    const std::string bytes =
        "RIFF" + DoubleWord(static_cast<std::uint32_t>(chunks.size())) + chunks;
    ASSERT_EQ(bytes.size(), 711u);

    EXPECT_EQ(OpenBytes(bytes), nullptr);
}

TEST_F(CWaveFileTest, ChunksMustLieInsideTheFileUpToItsEnd) {
    const std::string good =
        Riff("WAVE", Chunk("fmt ", Format(22050, 1, 16)) + Chunk("data", Pcm16(Ramp(64))));
    struct Case {
        const char* what;
        std::string bytes;
        bool opens;
    };
    const Case cases[] = {
        {"a whole file", good, true},
        {"a chunk after the data", good + Chunk("JUNK", "abcd"), true},
        {"fewer bytes after the last chunk than a chunk header", good + "1234567", true},
        {"data that runs past the file's end",
         Riff("WAVE", Chunk("fmt ", Format(22050, 1, 16)) + Chunk("data", Pcm16(Ramp(64)), 100000)),
         false},
        {"a chunk after the data that runs past the file's end", good + Chunk("LIST", "INFO", 5000),
         false},
        {"the format not first", Riff("WAVE", Chunk("JUNK", "ab") + good.substr(12)), false},
        {"no data chunk", Riff("WAVE", Chunk("fmt ", Format(22050, 1, 16))), false},
        {"the RIFF chunk after another one", Chunk("JUNK", "ab") + good, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(OpenBytes(c.bytes) != nullptr, c.opens) << c.what;
    }
}

TEST_F(CWaveFileTest, FilesLargerThanOneGibibyteAreRefusedUnread) {
    const std::string path =
        folder.Write("huge.wav", Riff("WAVE", Chunk("fmt ", Format(22050, 1, 16)) +
                                                  Chunk("data", "", (std::int64_t{1} << 30))));
    std::filesystem::resize_file(path, (std::uintmax_t{1} << 30) + 2); // sparse: nothing written

    EXPECT_EQ(CWaveFile::Open(path), nullptr);
}

TEST_F(CWaveFileTest, NamedPipeIsRefusedWithoutWaitingForAWriter) {
    const std::string path = folder.PathOf("pipe.wav");
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);

    EXPECT_EQ(CWaveFile::Open(path), nullptr);
}

TEST_F(CWaveFileTest, FFmpegRefusesSingleAllocationsBeyondWhatTheLargestAcceptedFileNeeds) {
    ASSERT_NE(OpenBytes(Wave16(22050, 1, Ramp(64))), nullptr);

    void* beyond = av_malloc(std::size_t{3} << 30);
    EXPECT_EQ(beyond, nullptr);
    av_free(beyond);
}

TEST_F(CWaveFileTest, SoundComesInPiecesOfTheAskedSizeTheLastOneShorter) {
    const Samples wave = Ramp(5000);
    auto file = OpenBytes(Wave16(22050, 1, wave));
    ASSERT_NE(file, nullptr);
    std::vector<std::size_t> pieces;
    Samples samples;

    file->ReadMono16(22050, 1024, [&](const std::int16_t* piece, std::size_t count) {
        pieces.push_back(count);
        samples.insert(samples.end(), piece, piece + count);
        return true;
    });

    EXPECT_EQ(pieces, (std::vector<std::size_t>{1024, 1024, 1024, 1024, 904}));
    EXPECT_EQ(samples, wave);
}

TEST_F(CWaveFileTest, SoundIsReadOnce) {
    auto file = OpenBytes(Wave16(22050, 1, Ramp(100)));
    ASSERT_NE(file, nullptr);
    ReadAll(*file);

    EXPECT_TRUE(ReadAll(*file).empty());
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
