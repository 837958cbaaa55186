#include "media/CWaveFile.h"

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

// The "fmt " body of a format whose block alignment and byte rate cannot be derived (a
// rate too high to multiply, or a tag with its own block size).
std::string RawFormat(int tag, int channels, std::uint32_t rate, int bits) {
    return Word(static_cast<std::uint16_t>(tag)) + Word(static_cast<std::uint16_t>(channels)) +
           DoubleWord(rate) + DoubleWord(0) +
           Word(static_cast<std::uint16_t>(std::max(1, channels * bits / 8))) +
           Word(static_cast<std::uint16_t>(bits));
}

TEST_F(CWaveFileTest, OnlyPcmOfTheRecordableChannelsBitsAndRatesOpens) {
    struct Case {
        const char* what;
        int tag;
        int channels;
        std::uint32_t rate;
        int bits;
        bool opens;
    };
    const Case cases[] = {
        {"mono 8-bit at the lowest rate", 1, 1, 1000, 8, true},
        {"eight channels of 32 bits at the highest rate", 1, 8, 192000, 32, true},
        {"24-bit stereo", 1, 2, 48000, 24, true},
        {"below the lowest rate", 1, 1, 999, 16, false},
        {"above the highest rate", 1, 1, 192001, 16, false},
        {"no channel", 1, 0, 22050, 16, false},
        {"nine channels", 1, 9, 22050, 16, false},
        {"12 bits", 1, 1, 22050, 12, false},
        {"64 bits", 1, 1, 22050, 64, false},
        {"floating point", 3, 1, 22050, 32, false},
        {"IMA ADPCM", 0x11, 1, 22050, 4, false},
        {"extensible", 0xFFFE, 2, 44100, 16, false},
    };
    for (const Case& c : cases) {
        const std::string data = Pcm16(Ramp(2400));
        EXPECT_EQ(
            OpenBytes(Riff("WAVE", Chunk("fmt ", RawFormat(c.tag, c.channels, c.rate, c.bits)) +
                                       Chunk("data", data))) != nullptr,
            c.opens)
            << c.what;
    }
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
