#include "media/CDirectSound.h"

#include "platform/CArchive.h"
#include "scene/SceneTypes.h"

#include "support/SceneTestValues.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using Names = std::vector<std::string>;

using namespace SceneTestValues;

class CDirectSoundTest : public testing::Test {
protected:
    // Gives the WAV track these frames.
    void SetTrack(const Names& names, const States& states) {
        sound.m_frameWaves = names;
        sound.m_frameStates = states;
    }

    void ExpectTrack(const Names& names, const States& states) const {
        EXPECT_EQ(sound.m_frameWaves, names);
        EXPECT_EQ(sound.m_frameStates, states);
    }

    CDirectSound sound;
};

TEST_F(CDirectSoundTest, NewTrackHasOneEmptyKeyFrame) {
    ExpectTrack({""}, {K});
    EXPECT_TRUE(sound.m_files.empty());
}

TEST_F(CDirectSoundTest, SetWaveFrameStatePastTheEndGrowsTheTrack) {
    SetTrack({"a.wav"}, {C});

    sound.SetWaveFrameState(3, FrameKey);

    ExpectTrack({"a.wav", "", "", ""}, {C, I, I, K});
}

TEST_F(CDirectSoundTest, SetWaveFrameStateKeepsTheNameOfAnExistingFrame) {
    SetTrack({"a.wav", "b.wav"}, {C, C});

    sound.SetWaveFrameState(1, FrameEmpty);

    ExpectTrack({"a.wav", "b.wav"}, {C, E});
}

TEST_F(CDirectSoundTest, SetWaveFrameStateAtANegativeFrameChangesNothing) {
    sound.SetWaveFrameState(-1, FrameKey);

    ExpectTrack({""}, {K});
}

TEST_F(CDirectSoundTest, SetWaveMakesAContentKeyOnlyOnAnExistingFrame) {
    SetTrack(Names(5), States(5, I));

    sound.SetWave(5, "a.wav");
    sound.SetWave(-1, "a.wav");
    ExpectTrack(Names(5), States(5, I));

    sound.SetWave(4, "a.wav");
    ExpectTrack({"", "", "", "", "a.wav"}, {I, I, I, I, C});
}

TEST_F(CDirectSoundTest, GetWaveNameOutsideTheTrackIsEmpty) {
    SetTrack({"a.wav", "b.wav"}, {C, C});

    EXPECT_EQ(sound.GetWaveName(1), "b.wav");
    EXPECT_EQ(sound.GetWaveName(2), "");
    EXPECT_EQ(sound.GetWaveName(-1), "");
}

TEST_F(CDirectSoundTest, GetWaveFileNameOutsideTheListIsEmpty) {
    sound.m_files = {"a.wav", "b.wav"};

    EXPECT_EQ(sound.GetWaveFileName(0), "a.wav");
    EXPECT_EQ(sound.GetWaveFileName(1), "b.wav");
    EXPECT_EQ(sound.GetWaveFileName(2), "");
    EXPECT_EQ(sound.GetWaveFileName(-1), "");
}

TEST_F(CDirectSoundTest, InsertWaveFrameAddsAnEmptyInBetweenFrameBeforeAnExistingOne) {
    SetTrack({"a.wav", "b.wav"}, {C, K});

    sound.InsertWaveFrame(2);
    sound.InsertWaveFrame(-1);
    ExpectTrack({"a.wav", "b.wav"}, {C, K});

    sound.InsertWaveFrame(0);
    ExpectTrack({"", "a.wav", "b.wav"}, {I, C, K});

    sound.InsertWaveFrame(2);
    ExpectTrack({"", "a.wav", "", "b.wav"}, {I, C, I, K});
}

TEST_F(CDirectSoundTest, DeleteWaveFrameRemovesOnlyAnExistingFrame) {
    SetTrack({"a.wav", "b.wav", "c.wav"}, {C, K, E});

    sound.DeleteWaveFrame(3);
    sound.DeleteWaveFrame(-1);
    ExpectTrack({"a.wav", "b.wav", "c.wav"}, {C, K, E});

    sound.DeleteWaveFrame(1);
    ExpectTrack({"a.wav", "c.wav"}, {C, E});

    sound.DeleteWaveFrame(1);
    sound.DeleteWaveFrame(0);
    ExpectTrack({}, {});
}

TEST_F(CDirectSoundTest, StoresTheTrackOnlyAndReadsItBack) {
    SetTrack({"a.wav", ""}, {C, I});
    sound.m_files = {"a.wav"};
    Bytes stored;
    CArchive storing(stored, CArchive::store);

    sound.Serialize(storing);

    EXPECT_EQ(stored, (Bytes{0x02, 0x00, 0x00, 0x00, 0x05, 'a', '.', 'w', 'a', 'v', 0x02, 0x00,
                             0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}));
    CDirectSound loaded;
    CArchive loading(stored, CArchive::load);
    loaded.Serialize(loading);
    EXPECT_EQ(loaded.m_frameWaves, sound.m_frameWaves);
    EXPECT_EQ(loaded.m_frameStates, sound.m_frameStates);
    EXPECT_TRUE(loaded.m_files.empty());
}

} // namespace
