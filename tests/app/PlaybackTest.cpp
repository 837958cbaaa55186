// The movie played and recorded from the running main window: the playback timer's ticks,
// the sounds they start and where they stop; the timeline's frame menu on every kind of
// row; and the AVI recording, read back with ffprobe and compared frame by frame with the
// scene.

#include "app/CMainFrame.h"
#include "app/CSorvendalDoc.h"
#include "app/Resource.h"
#include "graphics/CDirectXGraphics.h"
#include "graphics/CSorvendalView.h"
#include "media/CDirectSound.h"
#include "media/MediaProbe.h"
#include "platform/CFrameBuffer.h"
#include "platform/Mbcs.h"
#include "platform/MessageBoxService.h"
#include "platform/framework/CCommandTable.h"
#include "scene/SceneGlobals.h"
#include "support/AppSession.h"
#include "timeline/CPropertyView.h"
#include "timeline/CTimeLineView.h"

#include <QDir>
#include <QMenu>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>

using namespace AppSession;

namespace {

// Every hint the document sends, in order; `watch` sees each as it comes.
class HintProbe : public QWidget, public CView {
public:
    explicit HintProbe(std::function<void(int hint)> watch = nullptr) : m_watch(std::move(watch)) {
        AttachDocument(&Document());
    }
    QWidget& GetViewWindow() override { return *this; }
    void OnUpdate(CView*, LPARAM hint, CObject*) override {
        hints.push_back(static_cast<int>(hint));
        if (m_watch) {
            m_watch(static_cast<int>(hint));
        }
    }
    int Count(int hint) const {
        return static_cast<int>(std::count(hints.begin(), hints.end(), hint));
    }

    std::vector<int> hints;

private:
    std::function<void(int hint)> m_watch;
};

std::vector<std::int32_t> RowStates(int row) {
    return Rows().m_tracks[static_cast<std::size_t>(row)].m_states;
}

std::vector<std::int32_t> CharacterStates(int character) {
    std::vector<std::int32_t> states;
    for (const CAnimation& key : Scene().GetCharacter(character)->m_keys) {
        states.push_back(key.m_nState);
    }
    return states;
}

bool WaitUntilStopped(int timeoutMs) {
    return RunEventLoopUntil([] { return Scene().m_nRunMode == RunEdit; }, timeoutMs);
}

std::string WaveName(const char* name) {
    return Mbcs::FromUtf8(name).value();
}

bool IsPlaying(const std::string& wave) {
    const auto found =
        std::find(g_pDirectSound->m_files.begin(), g_pDirectSound->m_files.end(), wave);
    CSoundBuffer* buffer =
        g_pDirectSound
            ->m_pBuffers[static_cast<std::size_t>(found - g_pDirectSound->m_files.begin())]
            .get();
    DWORD status = 0;
    return buffer != nullptr && SUCCEEDED(buffer->GetStatus(&status)) &&
           (status & DSBSTATUS_PLAYING) != 0;
}

} // namespace

class PlaybackTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(Start());
        QVERIFY(m_folder.isValid());
    }
    void init() { NewDocument(); }
    void cleanupTestCase() { Stop(); }

    void PlaysFromTheCurrentFrameToTheLastKey() {
        Import(QStringLiteral("MQA/SharpHair.mqa"));
        QTest::mouseDClick(&Rows(), Qt::LeftButton, Qt::NoModifier, Cell(0, 59));
        g_pDirectSound->SetWave(0, WaveName("chime.wav"));
        Command(ID_GO_FIRST);
        // The frame that each tick shows, and whether the sound plays then: taken as the tick
        // tells the views, since the test may look only several ticks later.
        struct Tick {
            int frame;
            bool chime;
        };
        std::vector<Tick> ticks;
        HintProbe probe([&ticks](int hint) {
            if (hint == HintSceneChanged) {
                ticks.push_back({Rows().m_nCurrentFrame, IsPlaying(WaveName("chime.wav"))});
            }
        });
        Command(ID_PLAY);
        QCOMPARE(Scene().m_nRunMode, static_cast<int>(RunPlay));
        QCOMPARE(Scene().m_nCameraMode, static_cast<int>(CameraTrack));
        QVERIFY(WaitUntilStopped(PatienceMs));
        // One tick a frame up to 59, each shown; the next tick stops.
        QCOMPARE(probe.Count(HintSceneChanged), 59);
        QCOMPARE(ticks.front().frame, 1);
        QVERIFY(ticks.front().chime); // the start frame's sound, on the first tick
        QCOMPARE(probe.hints.back(), static_cast<int>(HintStop));
        QCOMPARE(Rows().m_nCurrentFrame, 59);
        QCOMPARE(g_nCurrentFrame, 59);
        QVERIFY(!IsPlaying(WaveName("chime.wav")));

        // Stopped halfway, the movie resumes from the same frame.
        Command(ID_GO_FIRST);
        Command(ID_PLAY);
        QVERIFY(QTest::qWaitFor([] { return Rows().m_nCurrentFrame >= 10; }, PatienceMs));
        Command(ID_STOP);
        QCOMPARE(Scene().m_nRunMode, static_cast<int>(RunEdit));
        const int stopped = Rows().m_nCurrentFrame;
        QTest::qWait(100);
        QCOMPARE(Rows().m_nCurrentFrame, stopped);
        ticks.clear();
        Command(ID_PLAY);
        QVERIFY(QTest::qWaitFor([&ticks] { return !ticks.empty(); }, PatienceMs));
        Command(ID_STOP);
        QCOMPARE(ticks.front().frame, stopped + 1);

        // Frames left behind the last key end the movie on the tick that trims them.
        Rows().m_nCurrentFrame = 59;
        Rows().m_tracks[0].m_states.resize(70, TimeLineInBetween);
        probe.hints.clear();
        Command(ID_PLAY);
        QVERIFY(WaitUntilStopped(PatienceMs));
        QCOMPARE(Rows().m_nCurrentFrame, 60);
        QCOMPARE(probe.hints, (std::vector<int>{HintPlay, HintStop}));
    }

    void OpeningADocumentStopsThePlaybackFirst() {
        // A document whose model is gone: its reload failure is shown behind a message box.
        const QString model = m_folder.filePath(QStringLiteral("Gone.mqa"));
        QVERIFY(QFile::copy(ProgramFolder() + QStringLiteral("MQA/SharpHair.mqa"), model));
        Import(model);
        const QString document = m_folder.filePath(QStringLiteral("gone.qka"));
        Dialogs().fileAnswers = {document};
        Command(ID_FILE_SAVE_AS);
        QVERIFY(QFile::remove(model));

        NewDocument();
        Import(QStringLiteral("MQA/SharpHair.mqa"));
        QTest::mouseClick(&Rows(), Qt::LeftButton, Qt::NoModifier, QPoint(140, Cell(0, 0).y()));
        QTest::mouseDClick(&Rows(), Qt::LeftButton, Qt::NoModifier, Cell(0, 90));
        Command(ID_GO_FIRST);
        Command(ID_PLAY);
        QCOMPARE(Scene().m_nRunMode, static_cast<int>(RunPlay));
        Dialogs().messageAnswers = {IDNO}; // do not save the scene that plays
        Dialogs().fileAnswers = {document};
        Dialogs().whileMessageShown = [](const ShownMessage&) {
            RunEventLoopUntil([] { return false; }, 300); // the box's own event loop
        };
        Command(ID_FILE_OPEN);
        Dialogs().whileMessageShown = nullptr;
        QCOMPARE(Dialogs().messages.back().text,
                 QStringLiteral(u"QKBAかMQAかMQOファイルの読み込みに失敗しました"));
        QCOMPARE(Scene().m_nRunMode, static_cast<int>(RunEdit));
        // No tick copied the old, locked row of 91 frames into the document's character.
        QVERIFY(!Scene().GetCharacter(0)->m_bLocked);
        QCOMPARE(Scene().GetCharacter(0)->GetKeyCount(), 1);
    }

    void FrameMenuCommandsEditTheRowAndTheScene() {
        Import(QStringLiteral("MQA/SharpHair.mqa"));
        // A character row: a key with fill at 60 keys frame 0 and fills 1 to 59.
        FrameCommand(0, 60, ID_TIMELINE_ADD_KEY_FILL);
        QCOMPARE(RowStates(0).size(), std::size_t{61});
        QCOMPARE(RowStates(0)[30], static_cast<int>(TimeLineInBetween));
        QCOMPARE(CharacterStates(0)[60], static_cast<int>(FrameKey));
        QCOMPARE(CharacterStates(0)[30], static_cast<int>(FrameInBetween));
        // Ten frames inserted at 30 move the key at 60 to 70, in the row and the scene.
        FrameCommand(0, 30, ID_TIMELINE_ADD_10_FRAMES);
        QCOMPARE(RowStates(0).size(), std::size_t{71});
        QCOMPARE(RowStates(0)[70], static_cast<int>(TimeLineKey));
        QCOMPARE(CharacterStates(0)[70], static_cast<int>(FrameKey));
        FrameCommand(0, 70, ID_TIMELINE_DELETE_FRAME); // the last key: deleted and trimmed
        QCOMPARE(RowStates(0), std::vector<std::int32_t>{TimeLineKey});
        FrameCommand(0, 5, ID_TIMELINE_ADD_KEY);
        QCOMPARE(RowStates(0)[5], static_cast<int>(TimeLineKey));
        QCOMPARE(RowStates(0)[3], static_cast<int>(TimeLineEmpty));
        FrameCommand(0, 5, ID_TIMELINE_DELETE_KEY);
        QCOMPARE(RowStates(0), std::vector<std::int32_t>{TimeLineKey});

        // The WAV row: the key's sound goes with its deletion.
        g_pDirectSound->SetWave(0, WaveName("chime.wav"));
        FrameCommand(1, 0, ID_TIMELINE_DELETE_KEY);
        QCOMPARE(g_pDirectSound->GetWaveName(0), std::string());
        QCOMPARE(g_pDirectSound->m_frameStates[0], static_cast<int>(FrameInBetween));
        FrameCommand(1, 0, ID_TIMELINE_ADD_KEY);
        FrameCommand(1, 0, ID_TIMELINE_ADD_FRAME);
        QCOMPARE(g_pDirectSound->m_frameStates[1], static_cast<int>(FrameKey));

        // The subtitle row is copied whole into the scene.
        FrameCommand(2, 20, ID_TIMELINE_ADD_KEY);
        FrameCommand(2, 10, ID_TIMELINE_CLEAR_BETWEEN_KEYS);
        QCOMPARE(Scene().m_subtitleStates[0], static_cast<int>(FrameKey));
        for (const int frame : {1, 10, 19}) {
            QCOMPARE(Scene().m_subtitleStates[static_cast<std::size_t>(frame)],
                     static_cast<int>(FrameEmpty));
        }

        // The camera row switches the view to the movie camera first.
        Scene().m_nCameraMode = CameraPerspective;
        FrameCommand(3, 30, ID_TIMELINE_ADD_KEY_FILL);
        QCOMPARE(Scene().m_nCameraMode, static_cast<int>(CameraTrack));
        QCOMPARE(Scene().m_cameraKeys[30].m_nState, static_cast<int>(FrameKey));
        FrameCommand(3, 30, ID_TIMELINE_DELETE_10_FRAMES);
        QCOMPARE(RowStates(3), std::vector<std::int32_t>{TimeLineKey});

        // The fixed rows cannot be deleted; the character's row can.
        HintProbe probe;
        Document().SetModifiedFlag(false);
        for (int row = 1; row <= 3; ++row) {
            FrameCommand(row, 0, ID_TIMELINE_DELETE_TRACK);
        }
        QCOMPARE(Dialogs().messages.size(), std::size_t{3});
        QCOMPARE(Dialogs().messages[0].text,
                 QStringLiteral(u"「WAVサウンド」のタイムラインは削除できません！"));
        QCOMPARE(Dialogs().messages[1].text,
                 QStringLiteral(u"「字幕」のタイムラインは削除できません！"));
        QCOMPARE(Dialogs().messages[2].text,
                 QStringLiteral(u"「カメラ」のタイムラインは削除できません！"));
        QCOMPARE(probe.Count(HintSceneChanged), 3);
        QVERIFY(Document().IsModified());
        FrameCommand(0, 0, ID_TIMELINE_DELETE_TRACK);
        QCOMPARE(Scene().GetCharacterCount(), 0);
        QCOMPARE(Rows().GetTrackCount(), 3);
        QCOMPARE(Rows().m_nSelectedRow, 0); // the WAV row moved up under the selection
    }

    void RecordingWritesEveryFrameOnceWithItsSound() {
        Import(QStringLiteral("MQO/Shop.mqo"));
        Import(QStringLiteral("MQA/SharpHair.mqa"));
        FrameCommand(0, 60, ID_TIMELINE_ADD_KEY_FILL);
        Scene().GetCharacter(0)->m_keys[60].m_position = D3DXVECTOR3(200.0f, 0.0f, 0.0f);
        Scene().GetCharacter(0)->InterpolateKeys();
        FrameCommand(2, 45, ID_TIMELINE_ADD_KEY); // the WAV row
        g_pDirectSound->SetWave(45, WaveName("chime.wav"));
        // A WAV that is not in the WAV folder: its message box opens in the middle of the
        // recording, which must go on writing each frame once.
        FrameCommand(2, 10, ID_TIMELINE_ADD_KEY);
        g_pDirectSound->SetWave(10, WaveName("missing.wav"));
        const int last = Rows().GetLastFrame();
        QCOMPARE(last, 60);

        const QString movie = m_folder.filePath(QStringLiteral("movie.avi"));
        Dialogs().fileAnswers = {movie};
        Dialogs().itemAnswers = {0}; // uncompressed
        const QString waitBox =
            QStringLiteral(u"録画を途中でやめるか、録画が終了したら[OK]してください");
        int framesWhileTheBoxWaits = -1;
        Dialogs().whileMessageShown = [&](const ShownMessage& shown) {
            if (shown.text == waitBox) {
                // The window changes size while it records: the movie keeps its size.
                Frame().resize(Frame().size() + QSize(40, 30));
                WaitUntilStopped(60000);
                // Once the last frame is written, the window is back to its usual updates.
                RunEventLoopUntil([] { return Frame().updatesEnabled(); }, PatienceMs);
                Settle();
                const QSignalSpy swaps(Frame().m_pView, &QOpenGLWidget::frameSwapped);
                QTest::qWait(10 * 33); // ten ticks of the recording's paced repaint
                framesWhileTheBoxWaits = static_cast<int>(swaps.count());
            }
        };
        Command(ID_RECORD_AVI);
        QCOMPARE(framesWhileTheBoxWaits, 0);
        Dialogs().whileMessageShown = nullptr;
        const auto shown = [](const QString& text) {
            return std::count_if(Dialogs().messages.begin(), Dialogs().messages.end(),
                                 [&](const ShownMessage& m) { return m.text == text; });
        };
        QCOMPARE(shown(waitBox), 1);
        // Once, when the recorder opens, and not again at frame 10 behind the wait box.
        QCOMPARE(shown(QStringLiteral(u"サウンドが作れませんでした。")), 1);
        // The compressors' entries are worded as the system's dialog words them.
        QCOMPARE(Dialogs().itemRequests.front().mid(0, 4),
                 QStringList({QStringLiteral(u"全フレーム (非圧縮)"), QStringLiteral("Motion JPEG"),
                              QStringLiteral(u"MPEG-4 (Xvid 互換)"),
                              QStringLiteral(u"FFV1 (可逆圧縮)")}));
        Settle();
        // The back buffer follows the view again, at the view's new size.
        QCOMPARE(Scene().m_fBackBufferWidth, static_cast<float>(Frame().m_pView->width()));
        QCOMPARE(Scene().m_nRunMode, static_cast<int>(RunEdit));

        const std::vector<MediaProbe::Stream> streams = MediaProbe::Streams(movie.toStdString());
        QCOMPARE(streams.size(), std::size_t{2});
        QCOMPARE(streams[0].at("nb_read_frames"), std::to_string(last + 1));
        QCOMPARE(streams[0].at("r_frame_rate"), std::string("30/1"));
        const std::string pictures = MediaProbe::DecodedPictures(movie.toStdString());
        const std::size_t pictureBytes = 320 * 240 * 3;
        QCOMPARE(pictures.size(), pictureBytes * static_cast<std::size_t>(last + 1));
        for (const int frame : {0, 1, 30, 59, 60}) {
            QVERIFY2(RenderedFrame(frame) == pictures.substr(pictureBytes * frame, pictureBytes),
                     qPrintable(QStringLiteral("frame %1 differs").arg(frame)));
        }
        // The WAV keyed at frame 45 starts 1.5 s in: sample 33075 at 22050 Hz.
        const std::vector<std::int16_t> sound = MediaProbe::DecodedSound(movie.toStdString());
        const auto first =
            std::find_if(sound.begin(), sound.end(), [](std::int16_t s) { return s != 0; });
        QVERIFY(first != sound.end());
        QVERIFY(std::abs(static_cast<int>(first - sound.begin()) - 33075) <= 2);
    }

    void ARecordingThatCannotStartLeavesTheOldMovie() {
        Import(QStringLiteral("MQA/SharpHair.mqa"));
        const QString movie = m_folder.filePath(QStringLiteral("kept.avi"));
        QFile old(movie);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("an older movie") == 14);
        old.close();
        // A movie a pixel wider than half the largest buffer: with anti-aliasing the back
        // buffer cannot take it, and the driver spends no memory on trying.
        GLint largest = 0;
        Frame().m_pView->makeCurrent();
        QOpenGLContext::currentContext()->functions()->glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE,
                                                                     &largest);
        Frame().m_pView->doneCurrent();
        const struct {
            std::optional<int> choice;
            int size;
            QStringList messages;
        } cases[] = {
            {std::nullopt, 320, {}}, // the compressor choice is cancelled
            {0, largest / 2 + 1, {QStringLiteral(u"リサイズに失敗")}},
            // Sizes that no back buffer has: none, and one that doubles past the int range.
            {0, 0, {QStringLiteral(u"リサイズに失敗")}},
            {0, (1 << 30) + 1, {QStringLiteral(u"リサイズに失敗")}},
        };
        const float width = Scene().m_fBackBufferWidth;
        Scene().m_bAntiAlias = TRUE;
        for (const auto& test : cases) {
            Dialogs().Reset();
            Dialogs().fileAnswers = {movie};
            Dialogs().itemAnswers = {test.choice};
            Scene().m_nMovieWidth = test.size;
            Scene().m_nMovieHeight = test.size;
            Command(ID_RECORD_AVI);
            QStringList shown;
            for (const ShownMessage& message : Dialogs().messages) {
                shown.append(message.text);
            }
            QCOMPARE(shown, test.messages);
            QVERIFY(old.open(QIODevice::ReadOnly));
            QCOMPARE(old.readAll(), QByteArray("an older movie"));
            old.close();
            QCOMPARE(Scene().m_fBackBufferWidth, width);
            QCOMPARE(Scene().m_nRunMode, static_cast<int>(RunEdit));
        }
    }

    void AFinishedMovieThatCannotTakeThePathIsKeptBesideIt() {
        FrameCommand(0, 9, ID_TIMELINE_ADD_KEY); // the WAV row: ten frames
        const QString movie = m_folder.filePath(QStringLiteral("taken.avi"));
        Dialogs().fileAnswers = {movie};
        Dialogs().itemAnswers = {0};
        // A folder takes the path once the frames are written: the finished movie cannot.
        Dialogs().whileMessageShown = [&](const ShownMessage&) {
            WaitUntilStopped(60000);
            QDir(m_folder.path()).mkdir(QStringLiteral("taken.avi"));
        };
        Command(ID_RECORD_AVI);
        Dialogs().whileMessageShown = nullptr;

        QVERIFY(QFileInfo(movie).isDir());
        const QStringList kept = QDir(m_folder.path()).entryList({QStringLiteral("taken.avi.*")});
        QCOMPARE(kept.size(), 1);
        const QString keptPath = m_folder.filePath(kept.front());
        QCOMPARE(Dialogs().messages.back().text,
                 QStringLiteral(
                     u"「%1」に録画できませんでした。\n録画したムービーは「%2」に残しました。")
                     .arg(movie, keptPath));
        QCOMPARE(MediaProbe::Streams(keptPath.toStdString()).at(0).at("nb_read_frames"),
                 std::string("10"));
    }

private:
    // The frame as the recording renders it, top row first like the decoded pictures.
    static std::string RenderedFrame(int frame) {
        CDirectXGraphics& scene = Scene();
        Rows().m_nCurrentFrame = frame;
        Rows().UpdateCursor();
        Frame().m_pTimeLineView->SyncToScene();
        CFrameBuffer picture(320, 240);
        const float width = scene.m_fBackBufferWidth;
        const float height = scene.m_fBackBufferHeight;
        Frame().m_pView->makeCurrent();
        scene.Resize(320, 240);
        scene.m_nRunMode = RunRecord;
        scene.m_nCameraMode = CameraTrack;
        scene.Render(&picture);
        scene.m_nRunMode = RunEdit;
        scene.Resize(static_cast<int>(width), static_cast<int>(height));
        Frame().m_pView->doneCurrent();
        std::string rows;
        for (int y = 239; y >= 0; --y) {
            const auto* row =
                picture.Bits().data() + static_cast<std::size_t>(y) * picture.Stride();
            rows.append(reinterpret_cast<const char*>(row), 320 * 3);
        }
        return rows;
    }

    QTemporaryDir m_folder;
};

SORVENDAL_APP_TEST_MAIN(PlaybackTest)
#include "PlaybackTest.moc"
