// Playback and recording through the running main window (under Xvfb, like the GUI tests):
// frames per second of 300 ticks of playback at the 33 ms interval, each tick's frame painted
// before the next; and of recording a 300-frame scene at 640 x 480, uncompressed and in
// Motion JPEG.

#include "app/CMainFrame.h"
#include "app/CSorvendalDoc.h"
#include "app/Resource.h"
#include "graphics/CDirectXGraphics.h"
#include "support/AppSession.h"
#include "timeline/CTimeLineView.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int LastFrame = 299;

CTimeLineView& TimeLine() {
    return *AppSession::Frame().m_pTimeLineView;
}

// The two sample characters, the one in front walking from frame 0 to the last frame.
void MakeScene() {
    static bool made = false;
    if (made) {
        return;
    }
    made = true;
    using namespace AppSession;
    Dialogs().fileAnswers = {ProgramFolder() + QStringLiteral("MQO/Shop.mqo"),
                             ProgramFolder() + QStringLiteral("MQA/SharpHair.mqa")};
    Command(ID_FILE_IMPORT);
    Command(ID_FILE_IMPORT);
    CTimeLineCtrl& rows = TimeLine().m_ctrl;
    rows.m_nSelectedRow = 0;
    rows.m_nCurrentFrame = LastFrame;
    TimeLine().AddKeyframe(TRUE);
    g_pDirectXGraphics->GetCharacter(0)->m_keys[LastFrame].m_position = D3DXVECTOR3(300, 0, 0);
    g_pDirectXGraphics->InterpolateAllCharacters();
}

bool WaitUntilStopped() {
    return AppSession::RunEventLoopUntil([] { return g_pDirectXGraphics->m_nRunMode == RunEdit; },
                                         120000);
}

void BM_PlaybackTicks(benchmark::State& state) {
    MakeScene();
    for (auto _ : state) {
        AppSession::Command(ID_GO_FIRST);
        QElapsedTimer clock;
        clock.start();
        AppSession::Command(ID_PLAY);
        if (!WaitUntilStopped()) {
            state.SkipWithError("playback did not end");
        }
        state.SetIterationTime(static_cast<double>(clock.nsecsElapsed()) / 1e9);
    }
    state.counters["fps"] =
        benchmark::Counter(static_cast<double>(LastFrame) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PlaybackTicks)->UseManualTime()->Iterations(2)->Unit(benchmark::kSecond);

void BM_RecordSampleScene(benchmark::State& state) {
    MakeScene();
    QTemporaryDir folder;
    g_pDirectXGraphics->m_nMovieWidth = 640;
    g_pDirectXGraphics->m_nMovieHeight = 480;
    ScriptedDialogs& dialogs = AppSession::Dialogs();
    dialogs.whileMessageShown = [](const ShownMessage&) { WaitUntilStopped(); };
    for (auto _ : state) {
        dialogs.fileAnswers = {folder.filePath(QStringLiteral("movie.avi"))};
        dialogs.itemAnswers = {static_cast<int>(state.range(0))};
        QElapsedTimer clock;
        clock.start();
        AppSession::Command(ID_RECORD_AVI);
        state.SetIterationTime(static_cast<double>(clock.nsecsElapsed()) / 1e9);
    }
    dialogs.whileMessageShown = nullptr;
    state.SetLabel(state.range(0) == 0 ? "uncompressed" : "Motion JPEG");
    state.counters["fps"] = benchmark::Counter(static_cast<double>(LastFrame + 1) *
                                                   static_cast<double>(state.iterations()),
                                               benchmark::Counter::kIsRate);
}
// The compressor list starts with uncompressed, then Motion JPEG.
BENCHMARK(BM_RecordSampleScene)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Iterations(2)
    ->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    AppSession::Prepare();
    if (!AppSession::Start()) {
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    AppSession::Stop();
    return 0;
}
