#include "media/CAviRecorder.h"

#include "media/AviHeaderPatch.h"
#include "media/CDirectSound.h"
#include "scene/SceneTypes.h"

#include "AviHeaderDump.h"
#include "MediaProbe.h"
#include "MessageLog.h"
#include "Recording.h"
#include "WaveBytes.h"
#include "support/ChildProcess.h"
#include "support/ResidentMemory.h"
#include "support/ScratchFolder.h"
#include "support/SpecialFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace WaveBytes;
using Samples = std::vector<std::int16_t>;

const std::string CannotMakeSound = "サウンドが作れませんでした。";
const std::string CannotOpenFile = "保存するファイルが開けませんでした。";
const std::string CannotWrite = "AVIファイルへの書き込みに失敗しました。";

std::string Seconds(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6f", seconds);
    return text;
}

// MediaProbe::PacketsInFileOrder with each run of sound packets as its first one: the
// reader splits a chunk of sound into packets, and runs of chunks are not told apart.
std::vector<std::string> ChunksInFileOrder(const std::string& path) {
    std::vector<std::string> chunks;
    for (const std::string& packet : MediaProbe::PacketsInFileOrder(path)) {
        if (packet[0] == '0' || chunks.empty() || chunks.back()[0] == '0') {
            chunks.push_back(packet);
        }
    }
    return chunks;
}

class CAviRecorderTest : public testing::Test {
protected:
    CAviRecorderTest() {
        sound.m_programFolder = folder.Path().string() + "/";
        sound.SetWaveFrameState(300, FrameKey);
    }

    void WriteWave(const std::string& name, const std::string& bytes) const {
        folder.Write(std::string(WaveFolderPrefix) + name, bytes);
    }

    // A WAV of 8-bit mono PCM whose `frames` samples are zero bytes that take no room on disk.
    void WriteSparseWave(const std::string& name, int rate, std::uint32_t frames) const {
        WriteSparse(folder.Write(std::string(WaveFolderPrefix) + name, ""),
                    Riff("WAVE", Chunk("fmt ", Format(rate, 1, 8)) + "data" + DoubleWord(frames),
                         36 + std::int64_t{frames}),
                    44 + std::uint64_t{frames});
    }

    std::vector<CFrameBuffer> Record(const std::string& encoder, int width, int height,
                                     int frames) {
        FixedChooser chooser(encoder);
        CAviRecorder recorder(sound, chooser);
        return Recording::RecordPattern(recorder, width, height, frames, path);
    }

    std::vector<MediaProbe::Stream> Streams() const { return MediaProbe::Streams(path); }

    ScratchFolder folder;
    const std::string path = folder.PathOf("movie.avi");
    CDirectSound sound;
    MessageLog messages;
};

TEST_F(CAviRecorderTest, UncompressedFramesDecodeToThePixelsWritten) {
    // The second size makes frames larger than what the file layer takes in one write.
    for (const auto& [width, height] : {std::pair{322, 241}, std::pair{640, 480}}) {
        const std::vector<CFrameBuffer> frames = Record("", width, height, 10);

        ASSERT_EQ(frames.size(), 10u);
        EXPECT_TRUE(MediaProbe::DecodedPictures(path) == Recording::TopDownPixels(frames))
            << width << " x " << height;
        EXPECT_TRUE(messages.messages.empty());
    }
}

TEST_F(CAviRecorderTest, RecordingOverALongerFileLeavesOnlyTheNewRecording) {
    const std::string fresh = folder.PathOf("fresh.avi");
    Record("", 322, 241, 10);
    std::filesystem::permissions(path, std::filesystem::perms(0640));
    const std::vector<CFrameBuffer> frames = Record("", 322, 241, 3);
    FixedChooser chooser("");
    CAviRecorder recorder(sound, chooser);
    Recording::RecordPattern(recorder, 322, 241, 3, fresh);

    EXPECT_EQ(std::filesystem::file_size(path), std::filesystem::file_size(fresh));
    EXPECT_TRUE(MediaProbe::DecodedPictures(path) == Recording::TopDownPixels(frames));
    EXPECT_EQ(std::filesystem::status(path).permissions(), std::filesystem::perms(0640));
}

TEST_F(CAviRecorderTest, VideoIsThirtyFramesPerSecondAtTheMovieSize) {
    Record("", 322, 241, 10);

    const std::vector<MediaProbe::Stream> streams = Streams();
    ASSERT_EQ(streams.size(), 1u);
    EXPECT_EQ(streams[0].at("codec_type"), "video");
    EXPECT_EQ(streams[0].at("codec_name"), "rawvideo");
    EXPECT_EQ(streams[0].at("nb_read_frames"), "10");
    EXPECT_EQ(streams[0].at("r_frame_rate"), "30/1");
    EXPECT_EQ(streams[0].at("width"), "322");
    EXPECT_EQ(streams[0].at("height"), "241");
}

TEST_F(CAviRecorderTest, UncompressedFramesAreKeyFramesOfPaddedRows) {
    Record("", 322, 241, 4);

    // 322 pixels of 3 bytes make 966 bytes, padded to 968.
    EXPECT_EQ(MediaProbe::VideoPackets(path),
              std::vector<std::string>(4, std::to_string(968 * 241) + ",K_"));
}

TEST_F(CAviRecorderTest, StreamHeadersHoldTheRecordersFieldsAndStillRead) {
    const Samples wave = Ramp(1000);
    WriteWave("a.wav", Wave16(22050, 1, wave));
    sound.SetWave(0, "a.wav");

    Record("", 322, 241, 3);

    const std::string dump = AviHeaderDump::Dump(path);
    std::cout << dump;
    EXPECT_EQ(dump, R"(0 strh.fccType = 'vids'
0 strh.fccHandler = 'DIB '
0 strh.dwFlags = 0
0 strh.wPriority = 0
0 strh.wLanguage = 0
0 strh.dwInitialFrames = 0
0 strh.dwScale = 1
0 strh.dwRate = 30
0 strh.dwStart = 0
0 strh.dwLength = 3
0 strh.dwSuggestedBufferSize = 233288
0 strh.dwQuality = -1
0 strh.dwSampleSize = 0
0 strh.rcFrame.left = 0
0 strh.rcFrame.top = 0
0 strh.rcFrame.right = 322
0 strh.rcFrame.bottom = 241
0 strf.size = 40
0 strf.biSize = 40
0 strf.biWidth = 322
0 strf.biHeight = 241
0 strf.biPlanes = 1
0 strf.biBitCount = 24
0 strf.biCompression = 0
0 strf.biSizeImage = 233288
0 strf.biXPelsPerMeter = 0
0 strf.biYPelsPerMeter = 0
0 strf.biClrUsed = 0
0 strf.biClrImportant = 0
0 strn.name = VIDEO
1 strh.fccType = 'auds'
1 strh.fccHandler = 0
1 strh.dwFlags = 0
1 strh.wPriority = 1
1 strh.wLanguage = 0
1 strh.dwInitialFrames = 0
1 strh.dwScale = 1
1 strh.dwRate = 22050
1 strh.dwStart = 0
1 strh.dwLength = 1000
1 strh.dwSuggestedBufferSize = 44100
1 strh.dwQuality = -1
1 strh.dwSampleSize = 2
1 strh.rcFrame.left = 0
1 strh.rcFrame.top = 0
1 strh.rcFrame.right = 0
1 strh.rcFrame.bottom = 0
1 strf.size = 18
1 strf.wFormatTag = 1
1 strf.nChannels = 1
1 strf.nSamplesPerSec = 22050
1 strf.nAvgBytesPerSec = 44100
1 strf.nBlockAlign = 2
1 strf.wBitsPerSample = 16
1 strf.cbSize = 0
1 strn.name = オーディオ
)");
    const std::vector<MediaProbe::Stream> streams = Streams();
    ASSERT_EQ(streams.size(), 2u);
    EXPECT_EQ(streams[0].at("nb_read_frames"), "3");
    EXPECT_EQ(MediaProbe::DecodedSound(path), wave);
}

TEST_F(CAviRecorderTest, VideoHandlerIsTheChosenCompressorsCode) {
    const std::pair<std::string, std::string> cases[] = {
        {"", "'DIB '"}, {"mjpeg", "'MJPG'"}, {"mpeg4", "'XVID'"}, {"ffv1", "'FFV1'"}};
    for (const auto& [encoder, handler] : cases) {
        Record(encoder, 322, 241, 1);

        const std::string dump = AviHeaderDump::Dump(path);
        EXPECT_NE(dump.find("0 strh.fccHandler = " + handler + "\n"), std::string::npos) << dump;
        EXPECT_NE(dump.find("0 strf.biSizeImage = 233288\n"), std::string::npos) << dump;
    }
}

TEST_F(CAviRecorderTest, HeadersOfARecordingLargerThanOneGibibyteArePatchedToo) {
    Record("", 32, 24, 1);
    std::filesystem::resize_file(path, (std::uintmax_t{1} << 30) + 1); // sparse: nothing written
    AviStreamFields fields;
    fields.priority = 7;

    ASSERT_TRUE(PatchAviStreamHeaders(path, {fields}));

    EXPECT_NE(AviHeaderDump::Dump(path).find("0 strh.wPriority = 7\n"), std::string::npos);
}

TEST_F(CAviRecorderTest, WithoutAWaveTheFileHasOneStream) {
    Record("mjpeg", 64, 48, 5);

    const std::vector<MediaProbe::Stream> streams = Streams();
    ASSERT_EQ(streams.size(), 1u);
    EXPECT_EQ(streams[0].at("codec_type"), "video");
}

TEST_F(CAviRecorderTest, SoundStreamIsSixteenBitMonoPcmAt22050Hz) {
    WriteWave("a.wav", Wave16(44100, 2, Samples(44100, 500)));
    sound.SetWave(0, "a.wav");

    Record("", 32, 24, 30);

    const std::vector<MediaProbe::Stream> streams = Streams();
    ASSERT_EQ(streams.size(), 2u);
    EXPECT_EQ(streams[1].at("codec_type"), "audio");
    EXPECT_EQ(streams[1].at("codec_name"), "pcm_s16le");
    EXPECT_EQ(streams[1].at("sample_rate"), "22050");
    EXPECT_EQ(streams[1].at("channels"), "1");
}

TEST_F(CAviRecorderTest, WaveKeyedAtFrame45StartsAtSample33075) {
    const Samples wave = Ramp(11025);
    WriteWave("a.wav", Wave16(22050, 1, wave));
    sound.SetWave(45, "a.wav");

    Record("", 32, 24, 60);

    const Samples recorded = MediaProbe::DecodedSound(path);
    ASSERT_EQ(recorded.size(), 33075u + wave.size());
    EXPECT_EQ(Samples(recorded.begin(), recorded.begin() + 33075), Samples(33075, 0));
    EXPECT_EQ(Samples(recorded.begin() + 33075, recorded.end()), wave);
}

TEST_F(CAviRecorderTest, WaveKeyedCloseAfterAnotherFollowsItsEnd) {
    const Samples first = Ramp(22050, 0);
    const Samples second = Ramp(5000, 777);
    WriteWave("first.wav", Wave16(22050, 1, first));
    WriteWave("second.wav", Wave16(22050, 1, second));
    sound.SetWave(0, "first.wav");
    sound.SetWave(15, "second.wav");

    Record("", 32, 24, 40);

    Samples expected = first;
    expected.insert(expected.end(), second.begin(), second.end());
    EXPECT_EQ(MediaProbe::DecodedSound(path), expected);
}

TEST_F(CAviRecorderTest, EachSecondOfSoundLiesAfterTheFrameOfItsStart) {
    WriteWave("a.wav", Wave16(22050, 1, Ramp(2 * 22050)));
    sound.SetWave(0, "a.wav");

    Record("", 32, 24, 45);

    std::vector<std::string> expected;
    for (int frame = 0; frame < 45; ++frame) {
        expected.push_back("0," + Seconds(frame / 30.0));
        if (frame % 30 == 0) {
            expected.push_back("1," + Seconds(frame / 30.0));
        }
    }
    EXPECT_EQ(ChunksInFileOrder(path), expected);
}

TEST_F(CAviRecorderTest, SoundWaitsForTheFramesTenSecondsAtMost) {
    WriteWave("long.wav", Wave16(22050, 1, Ramp(12 * 22050)));
    sound.SetWave(0, "long.wav");

    Record("", 32, 24, 2);

    // Seconds 1 to 11 of the sound lie after the frames, in one run of chunks.
    EXPECT_EQ(ChunksInFileOrder(path),
              (std::vector<std::string>{"1,0.000000", "0,0.000000", "0,0.033333", "1,1.000000"}));
}

TEST_F(CAviRecorderTest, WaveCutShortIsRecordedUpToItsLastWholeSample) {
    const Samples cut = Ramp(1000);
    const Samples tailed = Ramp(500, 333);
    const std::string format = Chunk("fmt ", Format(22050, 1, 16));
    WriteWave("cut.wav", Riff("WAVE", format + "data" + DoubleWord(100000) + Pcm16(cut) + "x"));
    WriteWave("tailed.wav",
              Riff("WAVE", format + Chunk("data", Pcm16(tailed)) + "LIST" + DoubleWord(5000)));
    sound.SetWave(0, "cut.wav");
    sound.SetWave(3, "tailed.wav");

    Record("", 32, 24, 5);

    Samples expected = cut;
    expected.resize(2205); // frame 3
    expected.insert(expected.end(), tailed.begin(), tailed.end());
    EXPECT_EQ(MediaProbe::DecodedSound(path), expected);
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(CAviRecorderTest, WaveOfAnotherFormatIsConverted) {
    WriteWave("a.wav", Wave(11025, 2, 8, std::string(2 * 11025, '\xC8')));
    sound.SetWave(30, "a.wav");

    Record("", 32, 24, 60);

    const Samples recorded = MediaProbe::DecodedSound(path);
    EXPECT_NEAR(static_cast<double>(recorded.size()), 22050.0 + 22050.0, 50.0);
    ASSERT_GT(recorded.size(), 23050u);
    EXPECT_EQ(recorded[22049], 0);
    EXPECT_NEAR(recorded[22050 + 1000], (0xC8 - 128) * 256, 8);
}

TEST_F(CAviRecorderTest, MissingWaveIsReportedOnceInEachRecording) {
    sound.SetWave(2, "missing.wav");
    sound.SetWave(4, "missing.wav");
    FixedChooser chooser("");
    CAviRecorder recorder(sound, chooser);

    Recording::RecordPattern(recorder, 32, 24, 5, path);

    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].text, CannotMakeSound);
    EXPECT_EQ(messages.messages[0].caption, "エラー");
    EXPECT_EQ(Streams().size(), 1u);
    Recording::RecordPattern(recorder, 32, 24, 5, path);
    EXPECT_EQ(messages.Texts(), std::vector<std::string>(2, CannotMakeSound));
}

TEST_F(CAviRecorderTest, WaveOutsideTheRecordableFormatsIsReportedAsOneThatDoesNotOpen) {
    WriteWave("ultrasonic.wav", Wave16(285000000, 1, Ramp(64)));
    // 16-bit stereo in blocks of 3 bytes, which playback refuses.
    std::string misaligned = Wave16(22050, 2, Ramp(64));
    misaligned[32] = 3;
    WriteWave("misaligned.wav", misaligned);
    sound.SetWave(2, "ultrasonic.wav");
    sound.SetWave(3, "misaligned.wav");

    Record("", 32, 24, 5);

    // Once for each WAV.
    EXPECT_EQ(messages.Texts(), std::vector<std::string>(2, CannotMakeSound));
    EXPECT_EQ(Streams().size(), 1u);
}

TEST_F(CAviRecorderTest, SoundStreamComesFromTheFirstWaveThatOpens) {
    const Samples wave = Ramp(1000);
    WriteWave("good.wav", Wave16(22050, 1, wave));
    WriteWave("broken.wav", "not a sound");
    sound.SetWave(0, "broken.wav");
    sound.SetWave(10, "good.wav");

    Record("", 32, 24, 20);

    EXPECT_EQ(messages.Texts(), std::vector<std::string>{CannotMakeSound});
    const Samples recorded = MediaProbe::DecodedSound(path);
    ASSERT_EQ(recorded.size(), 7350u + wave.size());
    EXPECT_EQ(Samples(recorded.begin() + 7350, recorded.end()), wave);
}

TEST_F(CAviRecorderTest, CancelledChoiceWritesNothing) {
    FixedChooser chooser("", true);
    CAviRecorder recorder(sound, chooser);

    EXPECT_EQ(recorder.Open(320, 240, path), nullptr);
    const CFrameBuffer frame(320, 240);
    EXPECT_EQ(recorder.WriteFrame(&frame), FALSE);
    recorder.Close();
    recorder.Close();

    EXPECT_EQ(chooser.asked, 1);
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(CAviRecorderTest, UnwritablePathIsReported) {
    FixedChooser chooser("");
    CAviRecorder recorder(sound, chooser);

    EXPECT_EQ(recorder.Open(320, 240, folder.PathOf("missing/movie.avi")), nullptr);
    recorder.Close();

    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].text, CannotOpenFile);
    EXPECT_EQ(messages.messages[0].caption, "エラー");
}

TEST_F(CAviRecorderTest, SizeThatNoStreamCanHaveIsReportedAndLeavesNoFile) {
    FixedChooser chooser("");
    CAviRecorder recorder(sound, chooser);

    EXPECT_EQ(recorder.Open(0, 240, path), nullptr);
    EXPECT_EQ(recorder.Open(-320, 240, path), nullptr);
    EXPECT_EQ(recorder.Open(100000, 100000, path), nullptr);

    EXPECT_EQ(messages.Texts(),
              std::vector<std::string>(3, "圧縮ストリームの作成に失敗しました。"));
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(CAviRecorderTest, MissingFramesAndFramesOfAnotherSizeAreRefused) {
    FixedChooser chooser("");
    CAviRecorder recorder(sound, chooser);
    CFrameBuffer* target = recorder.Open(32, 24, path);
    ASSERT_NE(target, nullptr);
    const CFrameBuffer other(16, 24);

    EXPECT_EQ(recorder.WriteFrame(nullptr), FALSE);
    EXPECT_EQ(recorder.WriteFrame(&other), FALSE);
    EXPECT_EQ(recorder.WriteFrame(target), TRUE);
    recorder.Close();

    EXPECT_EQ(Streams().at(0).at("nb_read_frames"), "1");
}

TEST_F(CAviRecorderTest, WriteFrameWithoutAnOpenFileFails) {
    FixedChooser chooser("");
    CAviRecorder recorder(sound, chooser);
    const CFrameBuffer frame(32, 24);

    EXPECT_EQ(recorder.WriteFrame(&frame), FALSE);
}

TEST_F(CAviRecorderTest, OpeningAgainFinishesTheFirstFile) {
    FixedChooser chooser("");
    CAviRecorder recorder(sound, chooser);
    const std::string second = folder.PathOf("second.avi");

    CFrameBuffer* target = recorder.Open(32, 24, path);
    recorder.WriteFrame(target);
    recorder.WriteFrame(target);
    target = recorder.Open(32, 24, second);
    recorder.WriteFrame(target);
    recorder.Close();

    EXPECT_EQ(Streams().at(0).at("nb_read_frames"), "2");
    EXPECT_EQ(MediaProbe::Streams(second).at(0).at("nb_read_frames"), "1");
}

TEST_F(CAviRecorderTest, SoundStreamCannotBeAddedOnceRecordingRuns) {
    FixedChooser chooser("");
    CAviRecorder recorder(sound, chooser);
    ASSERT_NE(recorder.Open(32, 24, path), nullptr);

    EXPECT_FALSE(recorder.CreateAudioStream());
}

// A recording of pattern frames in a child process whose files cannot grow past
// `fileSizeLimit` bytes, as on a full disk: the messages it showed and the bytes it read.
struct ChildRecording {
    std::vector<std::string> messages;
    std::uint64_t bytesRead = 0;
};

ChildRecording RecordInChild(CDirectSound& sound, const std::string& path, rlim_t fileSizeLimit,
                             int width, int height, int frames) {
    std::istringstream lines(ChildProcess::Output([&] {
        ChildProcess::LimitFileSize(fileSizeLimit);
        const std::uint64_t before = ChildProcess::BytesRead();
        MessageLog messages;
        FixedChooser chooser("");
        CAviRecorder recorder(sound, chooser);
        Recording::RecordPattern(recorder, width, height, frames, path);
        std::string text = std::to_string(ChildProcess::BytesRead() - before) + "\n";
        for (const std::string& message : messages.Texts()) {
            text += message + "\n";
        }
        return text;
    }));
    ChildRecording recording;
    lines >> recording.bytesRead;
    for (std::string line; std::getline(lines >> std::ws, line);) {
        recording.messages.push_back(line);
    }
    return recording;
}

TEST_F(CAviRecorderTest, FullDiskEndsTheConversionOfAWaveAtOnce) {
    // 200 MB of WAV, 400 MB of sound in the movie.
    WriteSparseWave("long.wav", 22050, 200000000);
    sound.SetWave(0, "long.wav");

    const ChildRecording recording = RecordInChild(sound, path, 2000000, 32, 24, 2);

    EXPECT_EQ(recording.messages, std::vector<std::string>{CannotWrite});
    EXPECT_LT(recording.bytesRead, 20000000u);
}

TEST_F(CAviRecorderTest, WaveWhoseSoundWouldPassOneGibibyteIsReportedAsOneThatDoesNotOpen) {
    // 24.4 MB at 1,000 Hz make 538 million samples at 22,050 Hz: 1.08 GB of sound.
    WriteSparseWave("long.wav", 1000, 24400000);
    sound.SetWave(1, "long.wav");

    // The limit keeps a recording that takes the WAV from filling the disk.
    const ChildRecording recording = RecordInChild(sound, path, 50000000, 32, 24, 2);

    EXPECT_EQ(recording.messages, std::vector<std::string>{CannotMakeSound});
    EXPECT_EQ(Streams().size(), 1u);
}

TEST_F(CAviRecorderTest, SoundOfARecordingStaysWithinItsLimitAsAWhole) {
    // Four seconds of sound at most; WAVs of 0.5, 1.5 and 3 seconds.
    constexpr std::uint64_t limit = 4 * 22050 * 2;
    WriteWave("tick.wav", Wave16(22050, 1, Ramp(11025)));
    WriteWave("short.wav", Wave16(22050, 1, Ramp(33075)));
    WriteWave("long.wav", Wave16(22050, 1, Ramp(66150)));
    const struct {
        std::vector<std::pair<int, std::string>> keys;
        std::size_t messages;
        std::size_t samples;
    } cases[] = {
        // Each follows the one before: a third would end at 4.5 s.
        {{{0, "short.wav"}, {5, "short.wav"}, {10, "short.wav"}}, 1, 66150},
        // One second of silence before it: the sound ends at the limit exactly.
        {{{30, "long.wav"}}, 0, 88200},
        // Three seconds of silence before it.
        {{{90, "short.wav"}}, 1, 0},
        // A WAV left out takes no room from a later one.
        {{{0, "long.wav"}, {10, "long.wav"}, {20, "tick.wav"}}, 1, 77175},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.keys.back().first);
        messages.messages.clear();
        sound.m_frameWaves.assign(sound.m_frameWaves.size(), std::string());
        for (const auto& [frame, name] : test.keys) {
            sound.SetWave(frame, name);
        }
        FixedChooser chooser("");
        CAviRecorder recorder(sound, chooser, limit);

        Recording::RecordPattern(recorder, 32, 24, 100, path);

        EXPECT_EQ(messages.Texts(), std::vector<std::string>(test.messages, CannotMakeSound));
        EXPECT_EQ(MediaProbe::DecodedSound(path).size(), test.samples);
    }
}

TEST_F(CAviRecorderTest, PipeOrDeviceIsNeitherOpenedNorRemoved) {
    const std::string pipe = folder.PathOf("pipe.avi");
    const FilledFifo fifo(pipe, ""); // a reader of the recording would never come
    const std::string device = folder.PathOf("null.avi");
    MakeNullDevice(device);
    for (const auto& [target, type] : {std::pair{pipe, S_IFIFO}, std::pair{device, S_IFCHR}}) {
        messages.messages.clear();
        FixedChooser chooser("");
        CAviRecorder recorder(sound, chooser);

        EXPECT_EQ(recorder.Open(32, 24, target), nullptr) << target;
        recorder.Close();

        EXPECT_EQ(messages.Texts(), std::vector<std::string>{CannotOpenFile}) << target;
        EXPECT_EQ(FileType(target), type) << target;
    }
}

TEST_F(CAviRecorderTest, RecordingThroughADanglingLinkMakesItsTarget) {
    std::filesystem::create_symlink("takes/movie.avi", path);
    std::filesystem::create_directory(folder.PathOf("takes"));

    const std::vector<CFrameBuffer> frames = Record("", 32, 24, 3);

    ASSERT_EQ(frames.size(), 3u);
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_TRUE(std::filesystem::is_symlink(path));
    EXPECT_EQ(FileType(folder.PathOf("takes/movie.avi")), S_IFREG);
    EXPECT_TRUE(MediaProbe::DecodedPictures(path) == Recording::TopDownPixels(frames));
}

TEST_F(CAviRecorderTest, FailedRecordingLeavesWhatThePathHeld) {
    const std::string existing = folder.Write("existing.avi", "an older movie");
    const std::string fresh = folder.PathOf("fresh.avi");
    const std::string linked = folder.PathOf("linked.avi");
    std::filesystem::create_symlink("existing.avi", linked);
    const std::string dangling = folder.PathOf("dangling.avi");
    std::filesystem::create_symlink("made.avi", dangling);
    const std::vector<std::string> before = folder.Names();
    const struct {
        const char* failure;
        std::string message;
        std::function<std::vector<std::string>(const std::string& target)> record;
    } failures[] = {
        {"no stream of that size", "圧縮ストリームの作成に失敗しました。",
         [&](const std::string& target) {
             FixedChooser chooser("");
             CAviRecorder recorder(sound, chooser);
             EXPECT_EQ(recorder.Open(0, 240, target), nullptr);
             recorder.Close();
             return messages.Texts();
         }},
        {"a full disk", CannotWrite,
         [&](const std::string& target) {
             return RecordInChild(sound, target, 2000000, 320, 240, 40).messages;
         }},
    };
    for (const auto& [failure, message, record] : failures) {
        for (const std::string& target : {existing, fresh, linked, dangling}) {
            SCOPED_TRACE(std::string(failure) + ", " + target);
            messages.messages.clear();

            EXPECT_EQ(record(target), std::vector<std::string>{message});

            EXPECT_EQ(folder.Names(), before);
            EXPECT_TRUE(std::filesystem::is_symlink(linked));
            EXPECT_TRUE(std::filesystem::is_symlink(dangling));
            std::ifstream file(existing);
            const std::string content(std::istreambuf_iterator<char>(file), {});
            EXPECT_TRUE(content == "an older movie") << content.size() << " bytes";
        }
    }
}

TEST_F(CAviRecorderTest, FramesOfAPauseInTheSoundAreNotHeldInMemory) {
    WriteWave("short.wav", Wave16(22050, 1, Ramp(2205)));
    sound.SetWave(0, "short.wav");

    // 200 frames of 320 x 240 make 44 MiB, all of them after the sound. A recording of 10
    // frames, past the sound too, comes first: the code of FFmpeg's muxer and of the sound's
    // conversion is then in memory, and only what the long recording takes is counted.
    const std::string addedMebibytes = ChildProcess::Output([&] {
        const auto record = [&](int frames) {
            FixedChooser chooser("");
            CAviRecorder recorder(sound, chooser);
            CFrameBuffer* target = recorder.Open(320, 240, path);
            for (int frame = 0; target != nullptr && frame < frames; ++frame) {
                recorder.WriteFrame(target);
            }
            recorder.Close();
        };
        record(10);
        ResetPeakResidentMemory();
        const long before = ResidentKibibytes("VmHWM:");
        record(200);
        return std::to_string((ResidentKibibytes("VmHWM:") - before) / 1024);
    });

    // The recording holds the frame that it renders into (225 KiB), the muxer's buffers and
    // its index of 200 frames: with the sanitizer's shadow and quarantine of these, and the
    // kernel's lag in counting pages, a few MiB; well below the frames held back.
    EXPECT_LT(std::stol(addedMebibytes), 30);
    EXPECT_EQ(Streams().at(0).at("nb_read_frames"), "200");
}

} // namespace
