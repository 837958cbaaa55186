// One full paint of the timeline control at 1920 x 150, as during playback.

#include "platform/Mbcs.h"
#include "timeline/CTimeLineCtrl.h"
#include "timeline/ITimeLineCtrlParent.h"

#include <QApplication>
#include <QFont>
#include <QScrollBar>
#include <benchmark/benchmark.h>

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
