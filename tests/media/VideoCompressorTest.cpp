#include "media/VideoCompressor.h"

#include "media/CDirectSound.h"

#include "MediaProbe.h"
#include "Recording.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <ostream>

#include <string>
#include <tuple>
#include <vector>

// Test names and messages show the compressor by its encoder.
void PrintTo(const VideoCompressor& compressor, std::ostream* stream) {
    *stream << (compressor.IsUncompressed() ? "uncompressed" : compressor.encoder);
}

namespace {

std::vector<std::string> Encoders(const std::vector<VideoCompressor>& compressors) {
    std::vector<std::string> encoders;
    for (const VideoCompressor& compressor : compressors) {
        encoders.push_back(compressor.encoder);
    }
    return encoders;
}

TEST(VideoCompressorTest, UncompressedComesFirstThenMjpegMpeg4AndFfv1) {
    const std::vector<std::string> encoders = Encoders(VideoCompressor::Available());

    ASSERT_GE(encoders.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(encoders.begin(), encoders.begin() + 4),
              (std::vector<std::string>{"", "mjpeg", "mpeg4", "ffv1"}));
    EXPECT_TRUE(VideoCompressor::Available().front().IsUncompressed());
}

TEST(VideoCompressorTest, EveryCompressorHasAName) {
    for (const VideoCompressor& compressor : VideoCompressor::Available()) {
        EXPECT_EQ(compressor.name.empty(), compressor.IsUncompressed()) << compressor.encoder;
    }
}

// Each compressor offered writes a file that reads back at odd and tiny sizes too: every
// frame, at the movie size, 30 frames per second, every frame a key frame.
class VideoCompressorRecordingTest
    : public testing::TestWithParam<std::tuple<VideoCompressor, std::pair<int, int>>> {
protected:
    ScratchFolder folder;
    CDirectSound sound;
};

TEST_P(VideoCompressorRecordingTest, RecordedFileReadsBack) {
    const VideoCompressor& compressor = std::get<0>(GetParam());
    const auto [width, height] = std::get<1>(GetParam());
    FixedChooser chooser(compressor.encoder);
    CAviRecorder recorder(sound, chooser);
    const std::string path = folder.PathOf("movie.avi");

    const std::vector<CFrameBuffer> frames =
        Recording::RecordPattern(recorder, width, height, 3, path);

    ASSERT_EQ(frames.size(), 3u);
    const std::vector<MediaProbe::Stream> streams = MediaProbe::Streams(path);
    ASSERT_EQ(streams.size(), 1u);
    EXPECT_EQ(streams[0].at("nb_read_frames"), "3");
    EXPECT_EQ(streams[0].at("width"), std::to_string(width));
    EXPECT_EQ(streams[0].at("height"), std::to_string(height));
    EXPECT_EQ(streams[0].at("r_frame_rate"), "30/1");
    for (const std::string& packet : MediaProbe::VideoPackets(path)) {
        EXPECT_EQ(packet.substr(packet.find(',') + 1, 1), "K") << packet;
    }
    if (compressor.IsUncompressed() || compressor.note == VideoCompressor::Note::Lossless) {
        EXPECT_TRUE(MediaProbe::DecodedPictures(path) == Recording::TopDownPixels(frames));
    }
}

std::string CaseName(const testing::TestParamInfo<VideoCompressorRecordingTest::ParamType>& info) {
    const VideoCompressor& compressor = std::get<0>(info.param);
    const auto [width, height] = std::get<1>(info.param);
    return (compressor.IsUncompressed() ? std::string("uncompressed") : compressor.encoder) + "_" +
           std::to_string(width) + "x" + std::to_string(height);
}

INSTANTIATE_TEST_SUITE_P(Sizes, VideoCompressorRecordingTest,
                         testing::Combine(testing::ValuesIn(VideoCompressor::Available()),
                                          testing::Values(std::pair<int, int>{1, 1},
                                                          std::pair<int, int>{5, 3},
                                                          std::pair<int, int>{322, 241})),
                         CaseName);

// Frames convert on several threads at once: many more frames than there are threads, in a
// number that no count of threads divides, reach the file whole and in the order recorded.
TEST(VideoCompressorOrderTest, FramesKeepTheirOrderThroughTheConversion) {
    ScratchFolder folder;
    CDirectSound sound;
    FixedChooser chooser("ffv1");
    CAviRecorder recorder(sound, chooser);
    const std::string path = folder.PathOf("movie.avi");

    const std::vector<CFrameBuffer> frames = Recording::RecordPattern(recorder, 64, 48, 41, path);

    ASSERT_EQ(frames.size(), 41u);
    EXPECT_TRUE(MediaProbe::DecodedPictures(path) == Recording::TopDownPixels(frames));
}

TEST(VideoCompressorTagTest, Mpeg4IsTaggedXvid) {
    ScratchFolder folder;
    CDirectSound sound;
    FixedChooser chooser("mpeg4");
    CAviRecorder recorder(sound, chooser);
    const std::string path = folder.PathOf("movie.avi");

    Recording::RecordPattern(recorder, 64, 48, 2, path);

    const std::vector<MediaProbe::Stream> streams = MediaProbe::Streams(path);
    ASSERT_EQ(streams.size(), 1u);
    EXPECT_EQ(streams[0].at("codec_name"), "mpeg4");
    EXPECT_EQ(streams[0].at("codec_tag_string"), "XVID");
}

} // namespace
