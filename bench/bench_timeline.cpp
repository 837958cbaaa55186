// The timeline pane's work per frame of playback and per document: one full paint of the
// control at 1920 x 150, the sync of the rows into a scene of 20 characters with 10,000
// frames each, and the rebuild of all rows after a document was read: of that scene, and
// of scenes of 10,000 and 100,000 characters without key records. Then keys near the end of
// a movie of the largest frame count: a second key after a first one (a double click), and
// a key with fill between two keys.

#include "app/Resource.h"
#include "graphics/CDirectXGraphics.h"
#include "media/CDirectSound.h"
#include "platform/Mbcs.h"
#include "scene/SceneTypes.h"
#include "timeline/CTimeLineCtrl.h"
#include "timeline/CTimeLineView.h"
#include "timeline/ITimeLineCtrlParent.h"

#include <QApplication>
#include <QFont>
#include <QScrollBar>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <initializer_list>
#include <string>

namespace {

class NoParent : public ITimeLineCtrlParent {
public:
    void OnLButtonDown(unsigned int, QPoint) override {}
    void OnLButtonDblClk(unsigned int, QPoint) override {}
    void OnRButtonDown(unsigned int, QPoint) override {}
};

// A character row keyed every ten frames, with a gap after every third span.
CTimeLineTrack CharacterRow(int index, int frames) {
    CTimeLineTrack track(Mbcs::FromUtf8("キャラクター" + std::to_string(index) + ".mqo").value());
    for (int frame = 0; frame < frames; frame += 10) {
        track.SetFrameState(frame, frame % 20 ? TimeLineKey : TimeLineContentKey, frame % 30 != 0);
    }
    track.m_bLock = index % 2;
    return track;
}

void BM_PaintTimeline(benchmark::State& state) {
    NoParent parent;
    CTimeLineCtrl control(parent, nullptr);
    for (int row = 0; row < 20; ++row) {
        control.AddTrack(CharacterRow(row, 400));
    }
    for (const char* name : {"WAVサウンド", "字幕", "カメラ"}) {
        control.AddTrack(CTimeLineTrack(Mbcs::FromUtf8(name).value()));
    }
    control.resize(1920 + control.width() - control.ClientWidth(),
                   150 + control.height() - control.ClientHeight());
    control.m_nSelectedRow = 2;
    control.m_nCurrentFrame = 35;
    control.UpdateCursor();
    QImage buffer;
    for (auto _ : state) {
        control.PaintInto(buffer);
        benchmark::DoNotOptimize(buffer.constBits());
    }
}
BENCHMARK(BM_PaintTimeline)->Unit(benchmark::kMillisecond);

constexpr int SceneCharacters = 20;
constexpr int SceneFrames = 10000;

// The scene of the sync and rebuild benchmarks, in a graphics object without a device: its
// characters keyed every 30 frames and present in two of every three spans, for as many
// frames as given.
class LargeScene {
public:
    LargeScene(int characters, int frames) {
        g_pDirectXGraphics = &m_graphics;
        g_pDirectSound = &m_sound;
        m_graphics.SetDefaults();
        m_graphics.m_nFrameCount = std::max(frames, DefaultFrameCount);
        m_graphics.m_characters.resize(static_cast<std::size_t>(characters));
        for (int c = 0; c < characters; ++c) {
            CCharacter& character = m_graphics.m_characters[static_cast<std::size_t>(c)];
            character.m_strFileName = "mqa\\chara" + std::to_string(c) + ".mqa";
            character.m_keys.resize(static_cast<std::size_t>(frames));
            for (int f = 0; f < frames; ++f) {
                const bool key = f % 30 == 0;
                const bool empty = (f / 30) % 3 == 2;
                character.m_keys[static_cast<std::size_t>(f)].m_nState = key     ? FrameKey
                                                                         : empty ? FrameEmpty
                                                                                 : FrameInBetween;
            }
        }
        m_view.OnCreate();
        m_view.resize(1920, 150);
        m_view.OnUpdate(nullptr, HintDocumentLoaded, nullptr);
    }
    ~LargeScene() {
        g_pDirectXGraphics = nullptr;
        g_pDirectSound = nullptr;
    }

    CTimeLineView& View() { return m_view; }

private:
    CDirectXGraphics m_graphics;
    CDirectSound m_sound;
    CTimeLineView m_view;
};

void BM_SyncToScene(benchmark::State& state) {
    LargeScene scene(SceneCharacters, SceneFrames);
    scene.View().m_ctrl.m_nCurrentFrame = SceneFrames / 2;
    scene.View().m_ctrl.UpdateCursor();
    for (auto _ : state) {
        scene.View().SyncToScene();
    }
}
BENCHMARK(BM_SyncToScene)->Unit(benchmark::kMillisecond);

// The first argument is the number of characters, the second their frames.
void BM_RebuildTracks(benchmark::State& state) {
    LargeScene scene(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        scene.View().OnUpdate(nullptr, HintDocumentLoaded, nullptr);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_RebuildTracks)
    ->Args({SceneCharacters, SceneFrames})
    ->Args({10000, 0})
    ->Args({100000, 0})
    ->Unit(benchmark::kMillisecond);

// A character just imported (keyed at frame 0) in a movie of the largest frame count.
LargeScene& NewCharacterInLongestMovie(LargeScene& scene) {
    CTimeLineView& view = scene.View();
    view.m_ctrl.m_nFrameCount = MaxFrameCount;
    view.m_ctrl.m_tracks[0].m_states.assign(1, TimeLineKey);
    CCharacter& character = *g_pDirectXGraphics->GetCharacter(0);
    character.m_keys.assign(1, CAnimation());
    character.m_keys[0].m_nState = FrameKey;
    view.m_ctrl.m_nSelectedRow = 0;
    return scene;
}

// A key at each frame given, made by a double click on the character's row.
void KeyCharacter(LargeScene& scene, std::initializer_list<int> frames) {
    CTimeLineView& view = scene.View();
    for (const int frame : frames) {
        view.m_ctrl.m_nCurrentFrame = frame;
        view.m_ctrl.UpdateCursor();
        view.OnLButtonDblClk(0, QPoint());
        view.SyncToScene();
    }
}

constexpr int FirstKey = MaxFrameCount - 1000;
constexpr int SecondKey = MaxFrameCount - 100;

void BM_SecondKeyNearTheEnd(benchmark::State& state) {
    LargeScene scene(1, 1);
    for (auto _ : state) {
        state.PauseTiming();
        KeyCharacter(NewCharacterInLongestMovie(scene), {FirstKey});
        state.ResumeTiming();
        KeyCharacter(scene, {SecondKey});
    }
}
BENCHMARK(BM_SecondKeyNearTheEnd)->Unit(benchmark::kMillisecond);

void BM_FilledKeyBetweenKeysNearTheEnd(benchmark::State& state) {
    LargeScene scene(1, 1);
    for (auto _ : state) {
        state.PauseTiming();
        KeyCharacter(NewCharacterInLongestMovie(scene), {FirstKey, SecondKey});
        scene.View().m_ctrl.m_nCurrentFrame = (FirstKey + SecondKey) / 2;
        scene.View().m_ctrl.UpdateCursor();
        state.ResumeTiming();
        scene.View().OnTimeLineCommand(ID_TIMELINE_ADD_KEY_FILL);
        scene.View().SyncToScene();
    }
}
BENCHMARK(BM_FilledKeyBetweenKeysNearTheEnd)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv); // widgets need it
    QFont::insertSubstitution(QStringLiteral("MS UI Gothic"), QStringLiteral("IPAPGothic"));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
