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

std::string RawWave(int tag, int channels, std::uint32_t rate, int bits, int blockAlign = -1) {
    return Riff("WAVE", Chunk("fmt ", RawFormat(tag, channels, rate, bits, blockAlign)) +
                            Chunk("data", Pcm16(Ramp(2400))));
}

// Three AC-3 bursts of S/PDIF, a frame apart, in 16-bit stereo PCM: FFmpeg's WAV reader would
// take the file for AC-3.
std::string SpdifBursts() {
    constexpr std::size_t BurstBytes = 1536 * 4;
    std::string data(3 * BurstBytes, '\0');
    for (std::size_t burst = 0; burst < 3; ++burst) {
        data.replace(burst * BurstBytes, 8, "\x72\xF8\x1F\x4E\x01\x00\x00\x10", 8);
    }
    return Wave(48000, 2, 16, data);
}

// A whole file whose RIFF size covers `chunks` and `tail`, where the tail's own sizes may
// claim more than the file holds.
std::string WaveWithTail(const std::string& chunks, const std::string& tail) {
    return "RIFF" + DoubleWord(static_cast<std::uint32_t>(4 + chunks.size() + tail.size())) +
           "WAVE" + chunks + tail;
}

TEST_F(CWaveFileTest, PlaybackAndTheRecorderTakeTheSameWaves) {
    const ScopedAudioDriver driver("dummy");
    CDirectSound playback;
    playback.m_programFolder = folder.Path().string() + "/";
    playback.m_pDS = CSoundDevice::Create();
    ASSERT_NE(playback.m_pDS, nullptr);
    const std::string format = Chunk("fmt ", Format(22050, 1, 16));
    const std::string data = Chunk("data", Pcm16(Ramp(64)));
    const std::string good = Riff("WAVE", format + data);
    struct Case {
        const char* what;
        std::string bytes;
        bool taken;
    };
    const Case cases[] = {
        {"mono 8-bit at the lowest rate", RawWave(1, 1, 1000, 8), true},
        {"stereo 16-bit at the highest rate", RawWave(1, 2, 192000, 16), true},
        {"below the lowest rate", RawWave(1, 1, 999, 16), false},
        {"above the highest rate", RawWave(1, 1, 192001, 16), false},
        {"24-bit stereo", RawWave(1, 2, 48000, 24), false},
        {"eight channels of 32 bits", RawWave(1, 8, 48000, 32), false},
        {"three channels", RawWave(1, 3, 22050, 16), false},
        {"no channel", RawWave(1, 0, 22050, 16), false},
        {"12 bits", RawWave(1, 1, 22050, 12), false},
        {"floating point", RawWave(3, 1, 22050, 32), false},
        {"IMA ADPCM", RawWave(0x11, 1, 22050, 4), false},
        {"extensible", RawWave(0xFFFE, 2, 44100, 16), false},
        {"block align 0", RawWave(1, 2, 22050, 16, 0), false},
        {"block align 1", RawWave(1, 2, 22050, 16, 1), false},
        {"block align 3", RawWave(1, 2, 22050, 16, 3), false},
        {"block align 65535", RawWave(1, 2, 22050, 16, 65535), false},
        {"PCM that FFmpeg takes for AC-3", SpdifBursts(), true},
        {"a whole file", good, true},
        {"a JUNK chunk before the format", Riff("WAVE", Chunk("JUNK", "ab") + format + data), true},
        {"a LIST chunk before the format",
         Riff("WAVE", Chunk("LIST", "INFOISFT" + DoubleWord(3) + "abc") + format + data), true},
        {"a chunk after the data", WaveWithTail(format + data, Chunk("JUNK", "abcd")), true},
        {"fewer bytes after the last chunk than a chunk header",
         WaveWithTail(format + data, "1234567"), true},
        {"an ID3 tag after the RIFF chunk", good + "TAG" + std::string(125, 't'), true},
        {"a JUNK chunk before the RIFF chunk", Chunk("JUNK", "ab") + good, false},
        {"data that runs past the file's end",
         Riff("WAVE", format + Chunk("data", Pcm16(Ramp(64)), 100000)), true},
        {"data cut before its first whole sample frame",
         Riff("WAVE", format + "data" + DoubleWord(100000) + "a"), false},
        {"a chunk before the data that runs past the file's end",
         Riff("WAVE", format + Chunk("LIST", "INFO", 5000) + data), false},
        {"a chunk after the data that runs past the file's end",
         WaveWithTail(format + data, Chunk("LIST", "INFO", 5000)), true},
        {"a trailing data header that claims 2 GiB",
         WaveWithTail(format + data, "data" + DoubleWord(0x80000000)), true},
        {"a LIST after the data that claims 4 GiB",
         WaveWithTail(format + data, "LIST" + DoubleWord(0xFFFFFFF0) + "INFO" + "INAM" +
                                         DoubleWord(0x7FFFFFF0) + std::string(47, 'n')),
         true},
        {"data only before the format", Riff("WAVE", data + format), false},
        {"no data chunk", Riff("WAVE", format), false},
    };
    for (const Case& c : cases) {
        const std::string path = folder.Write("WAV/sound.wav", c.bytes);

        EXPECT_EQ(playback.LoadWave(0, "WAV/sound.wav"), c.taken) << c.what;
        EXPECT_EQ(CWaveFile::Open(path) != nullptr, c.taken) << c.what;
    }
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
        // Only the first "data" chunk is sound, as in playback.
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
        EXPECT_GE(samples.size() + 2, known);
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
