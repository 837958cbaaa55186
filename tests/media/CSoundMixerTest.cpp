#include "platform/CSoundMixer.h"

#include "platform/CSoundBuffer.h"

#include "SoundTestFormats.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace {

using Samples = std::vector<std::int16_t>;

class CSoundMixerTest : public testing::Test {
protected:
    // A 44.1 kHz mono buffer of these samples.
    std::unique_ptr<CSoundBuffer> MakeBuffer(const Samples& samples) {
        auto buffer = std::make_unique<CSoundBuffer>(mixer, PcmFormat(44100, 1, 16),
                                                     static_cast<DWORD>(samples.size() * 2));
        std::memcpy(buffer->Data(), samples.data(), samples.size() * 2);
        return buffer;
    }

    Samples Mix(int frames) {
        Samples output(static_cast<std::size_t>(frames), 12345);
        mixer.Mix(output.data(), frames);
        return output;
    }

    CSoundMixer mixer{44100, 1};
};

TEST_F(CSoundMixerTest, NothingPlayingGivesSilence) {
    auto buffer = MakeBuffer({1000, 1000});

    EXPECT_EQ(Mix(3), (Samples{0, 0, 0}));
}

TEST_F(CSoundMixerTest, PlayingBuffersAreAddedUp) {
    auto first = MakeBuffer({1000, 2000, 3000});
    auto second = MakeBuffer({-100, 100, 200});

    first->Play(0);
    second->Play(0);

    EXPECT_EQ(Mix(3), (Samples{900, 2100, 3200}));
}

TEST_F(CSoundMixerTest, SumsOutsideSixteenBitsAreClipped) {
    auto first = MakeBuffer({30000, -30000});
    auto second = MakeBuffer({30000, -30000});

    first->Play(0);
    second->Play(0);

    EXPECT_EQ(Mix(2), (Samples{32767, -32768}));
}

TEST_F(CSoundMixerTest, BufferThatEndsLeavesTheOthersPlaying) {
    auto shortOne = MakeBuffer({1});
    auto longOne = MakeBuffer({10, 20, 30});

    shortOne->Play(0);
    longOne->Play(0);

    EXPECT_EQ(Mix(3), (Samples{11, 20, 30}));
}

TEST_F(CSoundMixerTest, PlayOfAPlayingBufferOnlyChangesItsLooping) {
    auto buffer = MakeBuffer({10, 20, 30});
    buffer->Play(0);
    Mix(1);

    buffer->Play(DSBPLAY_LOOPING);

    EXPECT_EQ(Mix(4), (Samples{20, 30, 10, 20}));
}

TEST_F(CSoundMixerTest, OutputFormatCanChange) {
    mixer.SetOutputFormat(22050, 2);

    EXPECT_EQ(mixer.SampleRate(), 22050);
    EXPECT_EQ(mixer.Channels(), 2);
}

} // namespace
