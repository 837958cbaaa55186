// The timeline pane's rebuild of its rows from a scene that a document brought.

#include "timeline/CTimeLineView.h"

#include "graphics/CDirectXGraphics.h"
#include "media/CDirectSound.h"
#include "platform/Mbcs.h"
#include "scene/SceneGlobals.h"
#include "scene/SceneTypes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {
int g_syncs = 0;
} // namespace

// Every sync of the rows into the scene begins by trimming the rows: the test program is
// linked with --wrap for this function, so each sync passes here and is counted.
extern "C" void __real__ZN13CTimeLineCtrl18TrimTrailingFramesEv(CTimeLineCtrl* control);
extern "C" void __wrap__ZN13CTimeLineCtrl18TrimTrailingFramesEv(CTimeLineCtrl* control) {
    ++g_syncs;
    __real__ZN13CTimeLineCtrl18TrimTrailingFramesEv(control);
}

namespace {

constexpr char Letters[] = "E-KC"; // FrameEmpty, FrameInBetween, FrameKey, FrameContentKey

// A scene's states written one letter a frame; any other value is written as '?'.
std::string StatesText(const std::vector<std::int32_t>& states) {
    std::string text;
    for (const std::int32_t state : states) {
        text += state >= FrameEmpty && state <= FrameContentKey ? Letters[state + 1] : '?';
    }
    return text;
}

// A row's caption (in UTF-8), its states with the scene's letters, and its lock.
std::string RowText(const CTimeLineTrack& row) {
    std::string text = Mbcs::ToUtf8(row.m_strName).value_or("?") + " ";
    for (const int state : row.m_states) {
        text += state == TimeLineEmpty        ? 'E'
                : state == TimeLineInBetween  ? '-'
                : state == TimeLineKey        ? 'K'
                : state == TimeLineContentKey ? 'C'
                                              : '?';
    }
    return text + (row.m_bLock ? " locked" : "");
}

std::vector<CAnimation> Keys(const std::string& states) {
    std::vector<CAnimation> keys(states.size());
    for (std::size_t f = 0; f < states.size(); ++f) {
        const std::size_t letter = std::string(Letters).find(states[f]);
        keys[f].m_nState = letter == std::string::npos ? 7 : static_cast<std::int32_t>(letter) - 1;
        keys[f].m_position = D3DXVECTOR3(10.0f * static_cast<float>(f), 0.0f, 0.0f);
    }
    return keys;
}

class CTimeLineViewTest : public ::testing::Test {
protected:
    CTimeLineViewTest() {
        g_pDirectXGraphics = &graphics;
        g_pDirectSound = &sound;
        graphics.SetDefaults();
        view.OnCreate();
        view.resize(800, 150);
    }
    ~CTimeLineViewTest() override {
        g_pDirectXGraphics = nullptr;
        g_pDirectSound = nullptr;
    }

    void AddCharacter(const std::string& file, const std::string& states, bool locked) {
        CCharacter character;
        character.m_strFileName = file;
        character.m_keys = Keys(states);
        character.m_bLocked = locked;
        graphics.m_characters.push_back(character);
    }

    void Rebuild() {
        g_syncs = 0;
        view.OnUpdate(nullptr, HintDocumentLoaded, nullptr);
    }

    CDirectXGraphics graphics;
    CDirectSound sound;
    CTimeLineView view;
};

// Rows of every shape: keys and content keys, in-betweens and empty frames after the last
// key, a state that is no frame state, no key record at all, and locks.
TEST_F(CTimeLineViewTest, RebuildSyncsOnceIntoTheSceneThatTheRowsShow) {
    AddCharacter("mqa\\walker.mqa", "K--K-EE", true);
    AddCharacter("", "", false);
    AddCharacter("mqo\\odd.mqo", "xC-K--", false);
    AddCharacter("c:\\far\\late.mqo", "EEK-K", false);
    AddCharacter("mqa\\still.mqa", "C", true);
    graphics.SetCameraFrameState(4, FrameKey);
    graphics.SetSubtitleFrameState(2, FrameContentKey);
    sound.SetWaveFrameState(3, FrameKey);
    view.m_ctrl.m_nCurrentFrame = 12;
    view.m_ctrl.m_nSelectedRow = 1;
    g_nCurrentFrame = 12;
    graphics.m_nSelected = 2;

    Rebuild();

    EXPECT_EQ(g_syncs, 1);
    std::vector<std::string> rows;
    for (const CTimeLineTrack& row : view.m_ctrl.m_tracks) {
        rows.push_back(RowText(row));
    }
    EXPECT_EQ(rows, (std::vector<std::string>{"walker K--K locked", " ", "odd C-K", "late EEK-K",
                                              "still C locked", "WAVサウンド K--K", "字幕 K-C",
                                              "カメラ K---K"}));
    struct Expected {
        const char* states;
        std::vector<std::uint8_t> active;
        bool shown;
        bool locked;
    };
    const Expected characters[] = {
        {"K--K-EE", {1, 1, 1, 1, 1, 0, 0}, true, true}, // frames past the last row's end
        {"E", {0}, false, false},
        {"CC-K--", {1, 1, 1, 1, 1, 0}, true, false}, // frame 0 takes its row's state
        {"EEK-K", {0, 1, 1, 1, 1}, false, false},
        {"C", {1}, true, true},
    };
    ASSERT_EQ(graphics.GetCharacterCount(), 5);
    for (int c = 0; c < 5; ++c) {
        SCOPED_TRACE(c);
        const CCharacter& character = *graphics.GetCharacter(c);
        std::vector<std::int32_t> states;
        std::vector<std::uint8_t> active;
        for (const CAnimation& key : character.m_keys) {
            states.push_back(key.m_nState);
            active.push_back(key.m_bActive);
        }
        EXPECT_EQ(StatesText(states), characters[c].states);
        EXPECT_EQ(active, characters[c].active);
        EXPECT_EQ(character.m_bShown, characters[c].shown);
        EXPECT_EQ(character.m_bLocked, characters[c].locked);
    }
    // Each character was interpolated from its keys.
    EXPECT_EQ(graphics.GetCharacter(0)->m_keys[2].m_position.x, 20.0f);
    EXPECT_EQ(graphics.GetCharacter(3)->m_keys[3].m_position.x, 30.0f);
    EXPECT_EQ(view.m_ctrl.m_nCurrentFrame, 0);
    EXPECT_EQ(view.m_ctrl.m_nCursorFrame, 0);
    EXPECT_EQ(view.m_ctrl.m_nSelectedRow, 7);
    EXPECT_EQ(graphics.m_nSelected, 7);
    EXPECT_EQ(g_nCurrentFrame, 0);
}

} // namespace
