#include "media/CDirectSound.h"

#include "AudioDriver.h"
#include "WaveBytes.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace WaveBytes;
using Samples = DiskOutput::Samples;

// A sound object whose program folder is a scratch folder, with a sound device on the
// driver the test chooses.
class CDirectSoundWaveTest : public testing::Test {
protected:
    explicit CDirectSoundWaveTest(const char* audioDriver = "dummy") : driver(audioDriver) {
        sound.m_programFolder = folder.Path().string() + "/";
        sound.m_pDS = CSoundDevice::Create();
    }

    void WriteWave(const std::string& name, const std::string& bytes) const {
        folder.Write(std::string(WaveFolderPrefix) + name, bytes);
    }

    // The bytes of a WAV buffer, for comparing with what was written.
    static std::string BufferBytes(CSoundBuffer& buffer) {
        return std::string(reinterpret_cast<const char*>(buffer.Data()), buffer.Size());
    }

    DWORD Status(std::size_t slot) const {
        DWORD status = 0;
        sound.m_pBuffers[slot]->GetStatus(&status);
        return status;
    }

    int LoadedSlots() const {
        int loaded = 0;
        for (const auto& buffer : sound.m_pBuffers) {
            loaded += buffer ? 1 : 0;
        }
        return loaded;
    }

    ScratchFolder folder;
    ScopedAudioDriver driver;
    CDirectSound sound;
};

using CDirectSoundLoadTest = CDirectSoundWaveTest;

TEST_F(CDirectSoundLoadTest, PcmOfEveryCommonFormatLoadsUnchanged) {
    ASSERT_NE(sound.m_pDS, nullptr);
    for (int rate : {11025, 22050, 44100, 48000}) {
        for (int channels : {1, 2}) {
            for (int bits : {8, 16}) {
                const std::string data = Pcm16(Ramp(static_cast<std::size_t>(rate / 100)));
                WriteWave("a.wav", Wave(rate, channels, bits, data));

                ASSERT_TRUE(sound.LoadWave(0, "WAV/a.wav"))
                    << rate << " " << channels << " " << bits;
                EXPECT_EQ(BufferBytes(*sound.m_pBuffers[0]), data);
            }
        }
    }
}

TEST_F(CDirectSoundLoadTest, FormatChunksOfEighteenBytesAndMoreLoad) {
    const std::string data = Pcm16({1, 2, 3, 4});
    WriteWave("ex.wav",
              Riff("WAVE", Chunk("fmt ", Format(22050, 1, 16) + Word(0)) + Chunk("data", data)));
    WriteWave("long.wav", Riff("WAVE", Chunk("fmt ", Format(22050, 1, 16) + Word(4) + "abcd") +
                                           Chunk("data", data)));

    EXPECT_TRUE(sound.LoadWave(0, "WAV/ex.wav"));
    EXPECT_TRUE(sound.LoadWave(1, "WAV/long.wav"));
}

TEST_F(CDirectSoundLoadTest, ChunksBetweenFormatAndDataArePassedOver) {
    const std::string data = Pcm16({5, 6, 7});
    WriteWave("a.wav", Riff("WAVE", Chunk("fmt ", Format(22050, 1, 16)) + Chunk("LIST", "odd") +
                                        Chunk("fact", "1234") + Chunk("data", data)));

    ASSERT_TRUE(sound.LoadWave(3, "WAV/a.wav"));
    EXPECT_EQ(BufferBytes(*sound.m_pBuffers[3]), data);
}

TEST_F(CDirectSoundLoadTest, FileCutShortLoadsTheWholeSampleFramesItHolds) {
    const std::string data = Pcm16(Ramp(64));
    const std::string stereo = Chunk("fmt ", Format(22050, 2, 16));
    const std::pair<const char*, std::string> cases[] = {
        {"data cut inside a frame",
         Riff("WAVE", stereo + "data" + DoubleWord(100000) + data + "ab")},
        // 128 bytes that claim the largest buffer, or 4 GiB, are given a buffer of 128 bytes.
        {"data of the largest buffer",
         Riff("WAVE", stereo + "data" + DoubleWord(0x0FFFFFFF) + data)},
        {"data of the largest size", Riff("WAVE", stereo + "data" + DoubleWord(0xFFFFFFFF) + data)},
        {"a LIST after the data cut short",
         Riff("WAVE", stereo + Chunk("data", data) + "LIST" + DoubleWord(5000) + "INFO")},
    };
    for (const auto& [what, bytes] : cases) {
        WriteWave("cut.wav", bytes);

        ASSERT_TRUE(sound.LoadWave(0, "WAV/cut.wav")) << what;
        EXPECT_EQ(BufferBytes(*sound.m_pBuffers[0]), data) << what;
    }
}

TEST_F(CDirectSoundLoadTest, PathWithABackslashLoads) {
    WriteWave("a.wav", Wave16(22050, 1, Ramp(100)));

    EXPECT_TRUE(sound.LoadWave(0, "WAV\\a.wav"));
}

struct BrokenWave {
    const char* description;
    std::string bytes;
};

class CDirectSoundBrokenWaveTest : public CDirectSoundWaveTest,
                                   public testing::WithParamInterface<BrokenWave> {};

TEST_P(CDirectSoundBrokenWaveTest, LeavesTheSlotEmpty) {
    ASSERT_NE(sound.m_pDS, nullptr);
    WriteWave("broken.wav", GetParam().bytes);

    EXPECT_FALSE(sound.LoadWave(0, "WAV/broken.wav"));
    EXPECT_EQ(sound.m_pBuffers[0], nullptr);
}

const std::string Data = Chunk("data", Pcm16(Ramp(64)));
const std::string PcmFormatChunk = Chunk("fmt ", Format(22050, 1, 16));

INSTANTIATE_TEST_SUITE_P(
    Files, CDirectSoundBrokenWaveTest,
    testing::Values(
        BrokenWave{"Empty", ""}, BrokenWave{"Text", "This is not a sound.\n"},
        BrokenWave{"TruncatedHeader", "RIFF\x20"},
        BrokenWave{"NotWave", Riff("AVI ", PcmFormatChunk + Data)},
        BrokenWave{"RiffNotFirst", Chunk("LIST", "info") + Riff("WAVE", PcmFormatChunk + Data)},
        BrokenWave{"NoData", Riff("WAVE", PcmFormatChunk + Chunk("fact", "1234"))},
        BrokenWave{"FormatLargerThanTheFile",
                   Riff("WAVE", Chunk("fmt ", Format(22050, 1, 16), 0x7FFFFFFF))},
        BrokenWave{"FormatCutShort",
                   Riff("WAVE", Chunk("fmt ", Format(22050, 1, 16).substr(0, 14)) + Data)},
        BrokenWave{"EmptyData", Riff("WAVE", PcmFormatChunk + Chunk("data", ""))},
        BrokenWave{"Compressed", Riff("WAVE", Chunk("fmt ", Format(22050, 1, 16, 0x55)) + Data)},
        BrokenWave{"NoChannels", Riff("WAVE", Chunk("fmt ", Format(22050, 0, 16)) + Data)},
        BrokenWave{"NoRate", Riff("WAVE", Chunk("fmt ", Format(0, 1, 16)) + Data)},
        BrokenWave{"TwentyFourBits", Riff("WAVE", Chunk("fmt ", Format(22050, 1, 24)) + Data)}),
    [](const testing::TestParamInfo<BrokenWave>& info) { return info.param.description; });

TEST_F(CDirectSoundLoadTest, FailedLoadLeavesTheSlotAsItWas) {
    WriteWave("good.wav", Wave16(22050, 1, Ramp(100)));
    WriteWave("bad.wav", "not a sound");
    ASSERT_TRUE(sound.LoadWave(5, "WAV/good.wav"));

    EXPECT_FALSE(sound.LoadWave(5, "WAV/bad.wav"));
    EXPECT_NE(sound.m_pBuffers[5], nullptr);
}

TEST_F(CDirectSoundLoadTest, SlotsOutsideTheSixtyFourAreRefused) {
    WriteWave("a.wav", Wave16(22050, 1, Ramp(100)));

    EXPECT_FALSE(sound.LoadWave(-1, "WAV/a.wav"));
    EXPECT_FALSE(sound.LoadWave(64, "WAV/a.wav"));
    EXPECT_TRUE(sound.LoadWave(63, "WAV/a.wav"));
}

TEST_F(CDirectSoundLoadTest, MissingFileAndFolderAreNotLoaded) {
    folder.Write("WAV/folder.wav/inside.txt", "");

    EXPECT_FALSE(sound.LoadWave(0, "WAV/missing.wav"));
    EXPECT_FALSE(sound.LoadWave(0, "WAV/folder.wav"));
}

TEST_F(CDirectSoundLoadTest, NothingLoadsWithoutADevice) {
    WriteWave("a.wav", Wave16(22050, 1, Ramp(100)));
    sound.ReleaseAll();

    EXPECT_FALSE(sound.LoadWave(0, "WAV/a.wav"));
    EXPECT_EQ(sound.m_pBuffers[0], nullptr);
}

using CDirectSoundLoadAllTest = CDirectSoundWaveTest;

TEST_F(CDirectSoundLoadAllTest, ListsTheWavFilesSortedAndLoadsEach) {
    WriteWave("b.wav", Wave16(22050, 1, Ramp(10)));
    WriteWave("a.wav", Wave16(22050, 1, Ramp(20)));
    WriteWave("c.wav", Wave16(22050, 1, Ramp(30)));

    sound.LoadAllWaves();

    EXPECT_EQ(sound.m_files, (std::vector<std::string>{"a.wav", "b.wav", "c.wav"}));
    ASSERT_EQ(LoadedSlots(), 3);
    EXPECT_EQ(sound.m_pBuffers[0]->Size(), 40u);
    EXPECT_EQ(sound.m_pBuffers[2]->Size(), 60u);
}

TEST_F(CDirectSoundLoadAllTest, SixtyFiveFilesAreListedAndSixtyFourLoaded) {
    for (int i = 0; i < 65; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "%02d.wav", i);
        WriteWave(name, Wave16(22050, 1, Ramp(10)));
    }

    sound.LoadAllWaves();

    ASSERT_EQ(sound.m_files.size(), 65u);
    EXPECT_EQ(sound.m_files[64], "64.wav");
    EXPECT_EQ(LoadedSlots(), 64);
}

TEST_F(CDirectSoundLoadAllTest, UpperCaseExtensionIsListedAndOtherFilesAndFoldersAreNot) {
    WriteWave("LOUD.WAV", Wave16(22050, 1, Ramp(10)));
    WriteWave("notes.txt", "text");
    WriteWave("wav", "no extension");
    folder.Write("WAV/folder.wav/inside.wav", Wave16(22050, 1, Ramp(10)));

    sound.LoadAllWaves();

    EXPECT_EQ(sound.m_files, std::vector<std::string>{"LOUD.WAV"});
    EXPECT_NE(sound.m_pBuffers[0], nullptr);
}

TEST_F(CDirectSoundLoadAllTest, JapaneseNamesAreListedInCodePage932AndLoad) {
    WriteWave("音.wav", Wave16(22050, 1, Ramp(10)));
    // A name that code page 932 cannot hold is left out.
    WriteWave("\xF0\x9F\x8E\xB5.wav", Wave16(22050, 1, Ramp(10)));

    sound.LoadAllWaves();

    EXPECT_EQ(sound.m_files, std::vector<std::string>{"\x89\xb9.wav"});
    EXPECT_NE(sound.m_pBuffers[0], nullptr);
}

TEST_F(CDirectSoundLoadAllTest, BrokenFileLeavesOnlyItsSlotEmpty) {
    WriteWave("a.wav", Wave16(22050, 1, Ramp(10)));
    WriteWave("b.wav", "broken");
    WriteWave("c.wav", Wave16(22050, 1, Ramp(10)));

    sound.LoadAllWaves();

    EXPECT_EQ(sound.m_files.size(), 3u);
    EXPECT_NE(sound.m_pBuffers[0], nullptr);
    EXPECT_EQ(sound.m_pBuffers[1], nullptr);
    EXPECT_NE(sound.m_pBuffers[2], nullptr);
}

TEST_F(CDirectSoundLoadAllTest, MissingWavFolderListsNothing) {
    sound.m_files = {"old.wav"};

    sound.LoadAllWaves();

    EXPECT_TRUE(sound.m_files.empty());
    EXPECT_EQ(LoadedSlots(), 0);
}

TEST_F(CDirectSoundLoadAllTest, WithoutADeviceTheFolderIsStillListed) {
    WriteWave("a.wav", Wave16(22050, 1, Ramp(10)));
    sound.ReleaseAll();

    sound.LoadAllWaves();

    EXPECT_EQ(sound.m_files, std::vector<std::string>{"a.wav"});
    EXPECT_EQ(LoadedSlots(), 0);
}

class CDirectSoundPlayTest : public CDirectSoundWaveTest {
protected:
    CDirectSoundPlayTest() {
        WriteWave("a.wav", Wave16(22050, 1, Ramp(22050)));
        WriteWave("B.wav", Wave16(22050, 1, Ramp(22050)));
        sound.LoadAllWaves();
    }
};

TEST_F(CDirectSoundPlayTest, PlayStartsTheBufferOfTheName) {
    ASSERT_EQ(sound.m_files, (std::vector<std::string>{"B.wav", "a.wav"}));

    sound.Play("a.wav", TRUE);

    EXPECT_EQ(Status(1), DSBSTATUS_PLAYING | DSBSTATUS_LOOPING);
    EXPECT_EQ(Status(0), 0u);
}

TEST_F(CDirectSoundPlayTest, PlayNeedsTheNameExactlyAsListed) {
    sound.Play("b.wav", TRUE);
    sound.Play("A.WAV", TRUE);

    EXPECT_EQ(Status(0), 0u);
    EXPECT_EQ(Status(1), 0u);
}

TEST_F(CDirectSoundPlayTest, UnknownAndEmptyNamesPlayNothing) {
    sound.Play("", TRUE);
    sound.Play("c.wav", TRUE);

    EXPECT_EQ(Status(0) | Status(1), 0u);
}

TEST_F(CDirectSoundPlayTest, StopAllStopsEveryBuffer) {
    sound.Play("a.wav", TRUE);
    sound.Play("B.wav", TRUE);

    sound.StopAll();

    EXPECT_EQ(Status(0) | Status(1), 0u);
}

TEST_F(CDirectSoundPlayTest, FileListedPastTheSixtyFourthNeverPlays) {
    sound.m_files.resize(64, "filler.wav");
    sound.m_files.push_back("a.wav");
    sound.m_files[1] = "x.wav";

    sound.Play("a.wav", TRUE);
    sound.StopAll();

    EXPECT_EQ(Status(1), 0u);
}

TEST_F(CDirectSoundPlayTest, WithoutADevicePlayAndStopAllDoNothing) {
    sound.ReleaseAll();

    sound.Play("a.wav", FALSE);
    sound.StopAll();

    EXPECT_EQ(sound.m_files.size(), 2u);
}

TEST_F(CDirectSoundPlayTest, PrimaryBufferNeedsADevice) {
    EXPECT_EQ(sound.InitPrimaryBuffer(), TRUE);
    EXPECT_NE(sound.m_pPrimary, nullptr);

    sound.ReleaseAll();

    EXPECT_EQ(sound.InitPrimaryBuffer(), FALSE);
}

TEST_F(CDirectSoundPlayTest, ReleaseAllReleasesBuffersPrimaryAndDevice) {
    sound.InitPrimaryBuffer();
    sound.Play("a.wav", TRUE);

    EXPECT_EQ(sound.ReleaseAll(), TRUE);

    EXPECT_EQ(LoadedSlots(), 0);
    EXPECT_EQ(sound.m_pPrimary, nullptr);
    EXPECT_EQ(sound.m_pDS, nullptr);
    EXPECT_EQ(sound.ReleaseAll(), TRUE);
}

TEST(CDirectSoundNoDeviceTest, ProgramRunsSilentWithoutASoundDevice) {
    ScratchFolder folder;
    folder.Write("WAV/a.wav", Wave16(22050, 1, Ramp(100)));
    ScopedAudioDriver driver("no-such-driver");
    CDirectSound sound;
    sound.m_programFolder = folder.Path().string() + "/";

    sound.m_pDS = CSoundDevice::Create();
    sound.LoadAllWaves();
    sound.Play("a.wav", TRUE);
    sound.StopAll();

    EXPECT_EQ(sound.m_pDS, nullptr);
    EXPECT_EQ(sound.InitPrimaryBuffer(), FALSE);
    EXPECT_EQ(sound.m_files, std::vector<std::string>{"a.wav"});
    EXPECT_EQ(sound.m_pBuffers[0], nullptr);
}

class CDirectSoundOutputTest : public testing::Test {
protected:
    CDirectSoundOutputTest() {
        sound.m_programFolder = folder.Path().string() + "/";
        sound.m_pDS = CSoundDevice::Create();
        sound.InitPrimaryBuffer();
    }

    Samples WaitFor(const Samples& sound) const {
        return output.WaitFor([&](const Samples& s) { return DiskOutput::Find(s, sound) >= 0; });
    }

    ScratchFolder folder;
    DiskOutput output{folder.PathOf("output.raw")};
    ScopedAudioDriver driver{"disk", output.Path()};
    CDirectSound sound;
};

TEST_F(CDirectSoundOutputTest, PlayedWaveIsHeardSampleForSample) {
    const Samples wave = Ramp(22050 * 2);
    folder.Write("WAV/a.wav", Wave16(44100, 2, wave));
    sound.LoadAllWaves();

    sound.Play("a.wav", FALSE);

    EXPECT_GE(DiskOutput::Find(WaitFor(wave), wave), 0);
}

TEST_F(CDirectSoundOutputTest, EightBitMonoWaveIsHeardAtTheOutputRateOnBothChannels) {
    std::vector<std::uint8_t> wave(2000);
    for (std::size_t i = 0; i < wave.size(); ++i) {
        wave[i] = static_cast<std::uint8_t>(1 + i % 250);
    }
    folder.Write("WAV/a.wav", Wave(22050, 1, 8, Pcm8(wave)));
    sound.LoadAllWaves();
    // Each sample, then the point halfway to the next one, on the left and right channels.
    Samples heard;
    for (std::size_t i = 0; i + 1 < wave.size(); ++i) {
        const int current = (wave[i] - 128) * 256;
        const int halfway = current + ((wave[i + 1] - 128) * 256 - current) / 2;
        heard.insert(heard.end(),
                     {static_cast<std::int16_t>(current), static_cast<std::int16_t>(current),
                      static_cast<std::int16_t>(halfway), static_cast<std::int16_t>(halfway)});
    }

    sound.Play("a.wav", FALSE);

    EXPECT_GE(DiskOutput::Find(WaitFor(heard), heard), 0);
}

TEST_F(CDirectSoundOutputTest, StopAllSilencesTheOutput) {
    const Samples wave = Ramp(4410);
    folder.Write("WAV/a.wav", Wave16(44100, 2, wave));
    sound.LoadAllWaves();
    sound.Play("a.wav", TRUE);
    ASSERT_GE(DiskOutput::Find(WaitFor(wave), wave), 0);

    sound.StopAll();
    const std::size_t stoppedAt = output.Read().size();

    // A buffer mixed just before the stop may still be written after it.
    const std::size_t margin = 2 * 1024 * 2;
    const Samples after =
        output.WaitFor([&](const Samples& s) { return s.size() > stoppedAt + margin + 8 * 1024; });
    ASSERT_GT(after.size(), stoppedAt + margin);
    EXPECT_TRUE(std::all_of(after.begin() + static_cast<long>(stoppedAt + margin), after.end(),
                            [](std::int16_t sample) { return sample == 0; }));
}

} // namespace
