#include "platform/CSoundBuffer.h"

#include "platform/CSoundMixer.h"

#include "SoundTestFormats.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace {

using Samples = std::vector<std::int16_t>;

// Buffers mixed into 44.1 kHz stereo output, one call at a time.
class CSoundBufferTest : public testing::Test {
protected:
    std::unique_ptr<CSoundBuffer> MakeBuffer16(DWORD rate, WORD channels, const Samples& samples) {
        auto buffer = std::make_unique<CSoundBuffer>(mixer, PcmFormat(rate, channels, 16),
                                                     static_cast<DWORD>(samples.size() * 2));
        std::memcpy(buffer->Data(), samples.data(), samples.size() * 2);
        return buffer;
    }

    Samples Mix(int frames) {
        Samples output(static_cast<std::size_t>(frames) * 2);
        mixer.Mix(output.data(), frames);
        return output;
    }

    static DWORD Status(CSoundBuffer& buffer) {
        DWORD status = 0;
        buffer.GetStatus(&status);
        return status;
    }

    CSoundMixer mixer{44100, 2};
};

TEST_F(CSoundBufferTest, StereoAtTheOutputRateIsMixedUnchanged) {
    const Samples samples = {100, -100, 2000, -2000, 32767, -32768};
    auto buffer = MakeBuffer16(44100, 2, samples);

    buffer->Play(0);

    EXPECT_EQ(Mix(3), samples);
}

TEST_F(CSoundBufferTest, MonoGoesToBothChannels) {
    auto buffer = MakeBuffer16(44100, 1, {500, -700});

    buffer->Play(0);

    EXPECT_EQ(Mix(2), (Samples{500, 500, -700, -700}));
}

TEST_F(CSoundBufferTest, EightBitSamplesAreCentredAndScaled) {
    auto buffer = std::make_unique<CSoundBuffer>(mixer, PcmFormat(44100, 1, 8), 4);
    const std::uint8_t bytes[] = {0, 128, 255, 129};
    std::memcpy(buffer->Data(), bytes, 4);

    buffer->Play(0);

    EXPECT_EQ(Mix(4), (Samples{-32768, -32768, 0, 0, 32512, 32512, 256, 256}));
}

TEST_F(CSoundBufferTest, HalfTheOutputRateInterpolatesBetweenSamples) {
    auto buffer = MakeBuffer16(22050, 1, {1000, 3000, 2000, 0});

    buffer->Play(0);

    EXPECT_EQ(Mix(6),
              (Samples{1000, 1000, 2000, 2000, 3000, 3000, 2500, 2500, 2000, 2000, 1000, 1000}));
}

TEST_F(CSoundBufferTest, StereoIntoMonoOutputIsAveraged) {
    mixer.SetOutputFormat(44100, 1);
    auto buffer = MakeBuffer16(44100, 2, {1000, 3000, -500, 1500});

    buffer->Play(0);
    Samples output(2);
    mixer.Mix(output.data(), 2);

    EXPECT_EQ(output, (Samples{2000, 500}));
}

TEST_F(CSoundBufferTest, OneShotStopsAtItsEndAndNextPlayStartsAgain) {
    auto buffer = MakeBuffer16(44100, 1, {10, 20, 30});
    buffer->Play(0);

    EXPECT_EQ(Mix(4), (Samples{10, 10, 20, 20, 30, 30, 0, 0}));
    EXPECT_EQ(Status(*buffer), 0u);

    buffer->Play(0);
    EXPECT_EQ(Mix(1), (Samples{10, 10}));
}

TEST_F(CSoundBufferTest, PlayAfterStopGoesOnWhereItStopped) {
    auto buffer = MakeBuffer16(44100, 1, {10, 20, 30, 40});
    buffer->Play(0);
    Mix(2);

    buffer->Stop();
    EXPECT_EQ(Mix(1), (Samples{0, 0}));
    buffer->Play(0);

    EXPECT_EQ(Mix(2), (Samples{30, 30, 40, 40}));
}

TEST_F(CSoundBufferTest, LoopingStartsAgainAfterTheEnd) {
    auto buffer = MakeBuffer16(44100, 1, {10, 20});

    buffer->Play(DSBPLAY_LOOPING);

    EXPECT_EQ(Mix(5), (Samples{10, 10, 20, 20, 10, 10, 20, 20, 10, 10}));
    EXPECT_EQ(Status(*buffer), DSBSTATUS_PLAYING | DSBSTATUS_LOOPING);
}

TEST_F(CSoundBufferTest, LoopingInterpolatesFromTheLastSampleIntoTheFirst) {
    auto buffer = MakeBuffer16(22050, 1, {1000, 3000});

    buffer->Play(DSBPLAY_LOOPING);

    EXPECT_EQ(Mix(4), (Samples{1000, 1000, 2000, 2000, 3000, 3000, 2000, 2000}));
}

TEST_F(CSoundBufferTest, StatusTellsPlayingAndLooping) {
    auto buffer = MakeBuffer16(44100, 1, {1, 2});
    EXPECT_EQ(Status(*buffer), 0u);

    buffer->Play(0);
    EXPECT_EQ(Status(*buffer), DSBSTATUS_PLAYING);

    buffer->Stop();
    EXPECT_EQ(Status(*buffer), 0u);
}

TEST_F(CSoundBufferTest, BufferDestroyedWhilePlayingLeavesTheMix) {
    auto buffer = MakeBuffer16(44100, 1, {1000, 1000, 1000});
    buffer->Play(DSBPLAY_LOOPING);

    buffer.reset();

    EXPECT_EQ(Mix(2), (Samples{0, 0, 0, 0}));
}

TEST_F(CSoundBufferTest, DataStartsSilent) {
    CSoundBuffer buffer(mixer, PcmFormat(44100, 2, 16), 16);

    EXPECT_EQ(buffer.Size(), 16u);
    EXPECT_EQ(std::vector<std::uint8_t>(buffer.Data(), buffer.Data() + 16),
              std::vector<std::uint8_t>(16, 0));
}

TEST(CSoundBufferFormatTest, PcmOfEightOrSixteenBitsMonoOrStereoPlays) {
    for (DWORD rate : {11025u, 22050u, 44100u, 48000u}) {
        for (WORD channels : {1, 2}) {
            for (WORD bits : {8, 16}) {
                EXPECT_TRUE(CSoundBuffer::IsPlayableFormat(PcmFormat(rate, channels, bits)))
                    << rate << " Hz, " << channels << " channels, " << bits << " bits";
            }
        }
    }
}

TEST(CSoundBufferFormatTest, OtherFormatsDoNotPlay) {
    WAVEFORMATEX compressed = PcmFormat(22050, 1, 16);
    compressed.wFormatTag = 2;
    WAVEFORMATEX badAlignment = PcmFormat(22050, 2, 16);
    badAlignment.nBlockAlign = 2;

    EXPECT_FALSE(CSoundBuffer::IsPlayableFormat(compressed));
    EXPECT_FALSE(CSoundBuffer::IsPlayableFormat(badAlignment));
    EXPECT_FALSE(CSoundBuffer::IsPlayableFormat(PcmFormat(22050, 1, 24)));
    EXPECT_FALSE(CSoundBuffer::IsPlayableFormat(PcmFormat(22050, 3, 16)));
    EXPECT_FALSE(CSoundBuffer::IsPlayableFormat(PcmFormat(22050, 0, 16)));
    EXPECT_FALSE(CSoundBuffer::IsPlayableFormat(PcmFormat(999, 1, 16)));
    EXPECT_FALSE(CSoundBuffer::IsPlayableFormat(PcmFormat(192001, 1, 16)));
    EXPECT_FALSE(CSoundBuffer::IsPlayableFormat(WAVEFORMATEX{}));
}

} // namespace
