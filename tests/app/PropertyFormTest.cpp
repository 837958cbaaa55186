// The property form as a user meets it: typing into its fields and leaving them, choosing
// from its lists and pressing its buttons, with the timeline clicked to pick the row and
// the frame, and the scene checked afterwards.

#include "app/CMainFrame.h"
#include "app/CSorvendalDoc.h"
#include "app/Resource.h"
#include "graphics/CDirectXGraphics.h"
#include "graphics/CSorvendalView.h"
#include "media/CDirectSound.h"
#include "platform/Mbcs.h"
#include "scene/SceneGlobals.h"
#include "support/AppSession.h"
#include "timeline/CPropertyView.h"
#include "timeline/CTimeLineView.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QWheelEvent>
#include <QtTest/qtestspontaneevent.h>

using namespace AppSession;

namespace {

struct Ui {
    static CPropertyView& Form() { return *Frame().m_pPropertyView; }
    static QString Text(int id) { return Form().GetDlgItemText(id); }
    static QString Coordinates() {
        return Text(IDC_EDIT_X) + u' ' + Text(IDC_EDIT_Y) + u' ' + Text(IDC_EDIT_Z);
    }
    static QString Vector(const D3DXVECTOR3& v) {
        return QString::asprintf("%g %g %g", double{v.x}, double{v.y}, double{v.z});
    }
    static QString KeyMotion(int frame = 0) {
        return FromCp932(Scene().GetCharacter(0)->m_keys.at(frame).m_strMotion);
    }
    // The motion frame of every key record of the first character, as the header lists them.
    static QString MotionFrames() {
        QStringList frames;
        for (const CAnimation& key : Scene().GetCharacter(0)->m_keys) {
            frames << QString::number(key.m_nMotionFrame);
        }
        return frames.join(u' ');
    }
    static QString WaveFile(int i) { return FromCp932(g_pDirectSound->m_files.at(i)); }
};

QWidget& Shown(int id) {
    QWidget& control = *Ui::Form().GetDlgItem(id);
    Ui::Form().ensureWidgetVisible(&control);
    return control;
}

// Clicks the control, which takes the focus from the one that had it.
QWidget& Click(int id) {
    QWidget& control = Shown(id);
    QTest::mouseClick(&control, Qt::LeftButton);
    return control;
}

// Replaces the field's text: Latin text from the keys, Japanese text from the input method.
QWidget& Enter(int id, const QString& text) {
    QWidget& field = Click(id);
    // Ctrl+A is a command of the program: the text is selected with the cursor keys.
    QTest::keyClick(&field, Qt::Key_End);
    QTest::keyClick(&field, Qt::Key_Home, Qt::ShiftModifier);
    QTest::keyClick(&field, Qt::Key_Delete);
    if (text.toLatin1() == text.toUtf8()) {
        QTest::keyClicks(&field, text);
    } else {
        QInputMethodEvent commit;
        commit.setCommitString(text);
        QApplication::sendEvent(QApplication::focusWidget(), &commit);
    }
    return field;
}

void Type(int id, const QString& text) {
    QTest::keyClick(&Enter(id, text), Qt::Key_Tab);
    Settle();
}

QComboBox& List(int id) {
    return static_cast<QComboBox&>(Shown(id));
}

void Choose(int id, const QString& entry) {
    ChooseInList(List(id), entry);
}

// One notch of the wheel over the control's middle, as the window system turns it: a
// spontaneous event to the window, which Qt gives to the widget under the pointer, and which
// gives the focus to a widget that takes it by the wheel.
void TurnWheel(int id) {
    QWidget& control = Shown(id);
    QWidget& window = *control.window();
    const QPoint at = control.mapTo(&window, control.rect().center());
    QWheelEvent wheel(at, window.mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QSpontaneKeyEvent::setSpontaneous(&wheel);
    QApplication::instance()->notify(window.windowHandle(), &wheel);
    Settle();
}

QStringList Entries(int id) {
    const QComboBox& combo = *Ui::Form().GetControl<QComboBox>(id);
    QStringList entries;
    for (int i = 0; i < combo.count(); ++i) {
        entries << combo.itemText(i);
    }
    return entries;
}

} // namespace

class PropertyFormTest : public QObject, Ui {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(Start()); }
    void init() {
        Frame().m_pView->setFocus(); // the last test's field is left before the new document
        NewDocument();
    }
    void cleanupTestCase() { Stop(); }

    void ShowsTheSceneAndRefreshesWithoutRunningHandlers() {
        QCOMPARE(Text(IDC_EDIT_WIDTH) + Text(IDC_EDIT_HEIGHT) + Text(IDC_EDIT_MAX_FRAME),
                 QStringLiteral("320240900"));
        QCOMPARE(Coordinates(), QStringLiteral("0.000000 0.000000 0.000000"));
        // The WAV folder in its own order, not sorted.
        QCOMPARE(Entries(IDC_COMBO_WAVE),
                 (QStringList{QStringLiteral(u"なし"), WaveFile(0), WaveFile(1), WaveFile(2)}));
        QVERIFY(Form().IsDlgButtonChecked(IDC_CHECK_Y));
        Click(IDC_CHECK_X);
        Click(IDC_CHECK_Z);
        QCOMPARE(QString::asprintf("%d%d%d", Scene().m_bAxisX, Scene().m_bAxisY, Scene().m_bAxisZ),
                 QStringLiteral("010"));
        QVERIFY(!Form().IsDlgButtonChecked(IDC_CHECK_Z));
        Click(IDC_CHECK_Z);
        QVERIFY(Scene().m_bAxisZ && Form().IsDlgButtonChecked(IDC_CHECK_Z));
        QVERIFY(!Document().IsModified());

        // The pane keeps 300 pixels when the bar beside it is dragged.
        QWidget& bar = *Frame().GetInnerSplitter().handle(1);
        const QPoint grip = bar.rect().center();
        QTest::mousePress(&bar, Qt::LeftButton, {}, grip);
        QTest::mouseMove(&bar, grip + QPoint(80, 0));
        QTest::mouseRelease(&bar, Qt::LeftButton, {}, grip + QPoint(80, 0));
        Settle();
        QCOMPARE(Form().width(), CMainFrame::PropertyFormWidth);

        // The file lists 歩く before ジャンプ: the list is sorted, "なし" included.
        Import(QStringLiteral("MQA/SharpHair.mqa"));
        QCOMPARE(Entries(IDC_COMBO_ANIMATION),
                 (QStringList{QStringLiteral(u"なし"), QStringLiteral(u"ジャンプ"),
                              QStringLiteral(u"歩く")}));

        // Hints rewrite every field while the focus sits in one; no handler runs.
        Click(IDC_EDIT_Y);
        Document().SetModifiedFlag(false);
        Scene().m_nMovieWidth = 512;
        Scene().SetCharacterMotionName(0, 0, Mbcs::FromUtf8("歩く").value());
        Scene().SetCharacterPosition(0, 0, 1.5f, -2.25f, 100.0f);
        Document().UpdateAllViews(nullptr, HintDocumentLoaded); // selects the camera row
        QCOMPARE(Text(IDC_EDIT_WIDTH), QStringLiteral("512"));
        QCOMPARE(Text(IDC_COMBO_ANIMATION), QStringLiteral(u"なし"));
        Rows().m_nSelectedRow = 0; // as the 3D view's pick does
        Document().UpdateAllViews(nullptr, HintSelectionChanged);
        QCOMPARE(Text(IDC_COMBO_ANIMATION), QStringLiteral(u"歩く"));
        QCOMPARE(Coordinates(), QStringLiteral("1.500000 -2.250000 100.000000"));
        Form().m_nSavedWidth = 640;
        Form().m_nSavedHeight = 360;
        Document().UpdateAllViews(nullptr, HintRecordEnd);
        QCOMPARE(QSizeF(Scene().m_fBackBufferWidth, Scene().m_fBackBufferHeight), QSizeF(640, 360));
        Settle();
        QVERIFY(!Document().IsModified());
        QCOMPARE(KeyMotion(), QStringLiteral(u"歩く"));

        Form().SetDlgItemText(IDC_EDIT_SUBTITLE, QStringLiteral(u"こんにちは"));
        QVERIFY(QFile::exists(SaveScreenshot(QStringLiteral("property-form"))));
    }

    void AcceleratorsWinOverTheFieldsOwnKeys() {
        QWidget& field = Click(IDC_EDIT_X);
        QTest::keyClick(&field, Qt::Key_A, Qt::ControlModifier); // 拡大縮小, not "select all"
        QCOMPARE(Scene().m_nEditMode, static_cast<int>(EditScale));
        QTest::keyClick(&field, Qt::Key_M, Qt::ControlModifier);
        QCOMPARE(Scene().m_nEditMode, static_cast<int>(EditMove));
    }

    void ScreenFieldsFallBackToTheirDefaults() {
        struct Case {
            int id;
            const char* typed;
            int stored; // and shown
        };
        const Case cases[] = {{IDC_EDIT_WIDTH, "0", 320},
                              {IDC_EDIT_WIDTH, "", 320},
                              {IDC_EDIT_HEIGHT, "0", 240},
                              {IDC_EDIT_MAX_FRAME, "899", 900},
                              {IDC_EDIT_MAX_FRAME, "1200", 1200},
                              {IDC_EDIT_WIDTH, "99999999999", 320},
                              {IDC_EDIT_MAX_FRAME, "2147483647", 1000000},
                              {IDC_EDIT_MAX_FRAME, "99999999999999999999", 1000000}};
        for (const Case& c : cases) {
            Click(c.id);
            Document().SetModifiedFlag(false);
            Rows().m_nFrameCount = 0;
            Type(c.id, QString::fromLatin1(c.typed));
            const int stored = c.id == IDC_EDIT_WIDTH    ? Scene().m_nMovieWidth
                               : c.id == IDC_EDIT_HEIGHT ? Scene().m_nMovieHeight
                                                         : Scene().m_nFrameCount;
            QVERIFY2(stored == c.stored && Text(c.id) == QString::number(c.stored), c.typed);
            QVERIFY(Document().IsModified());
            // Only the frame count tells the timeline, which takes it over.
            QCOMPARE(Rows().m_nFrameCount, c.id == IDC_EDIT_MAX_FRAME ? c.stored : 0);
        }
        Rows().m_nFrameCount = DefaultFrameCount;
    }

    void CoordinateFieldsEditTheSelectedOrTheCameraKey() {
        Import(QStringLiteral("MQA/SharpHair.mqa"));
        ClickCell(0, 0);
        Document().SetModifiedFlag(false);
        // The leading number of each text, 0 where there is none.
        Type(IDC_EDIT_X, QStringLiteral("12.5cm"));
        Type(IDC_EDIT_Y, QStringLiteral(" -3e1"));
        Type(IDC_EDIT_Z, QStringLiteral("abc"));
        QCOMPARE(Vector(Scene().GetSelectedCharacterPosition(0)), QStringLiteral("12.5 -30 0"));
        QVERIFY(Document().IsModified());
        Command(ID_EDIT_ROTATE);
        Type(IDC_EDIT_Y, QStringLiteral("45"));
        QCOMPARE(Vector(Scene().GetSelectedCharacterRotation(0)), QStringLiteral("0 45 0"));
        Command(ID_EDIT_MOVE);

        // Leaving a field unchanged stores the six decimals shown, and marks the change.
        Scene().SetCharacterPosition(0, 0, 0.1234567f, -30.0f, 0.0f);
        Document().UpdateAllViews(nullptr, HintSceneChanged);
        Document().SetModifiedFlag(false);
        QTest::keyClick(&Click(IDC_EDIT_X), Qt::Key_Tab);
        QCOMPARE(Scene().GetSelectedCharacterPosition(0).x, 0.123457f);
        QVERIFY(Document().IsModified());

        // A click on the timeline leaves the field before it moves to another frame.
        Enter(IDC_EDIT_Z, QStringLiteral("8"));
        ClickCell(0, 3);
        QCOMPARE(Scene().GetCharacter(0)->GetKeyPosition(0).z, 8.0f);

        // The WAV row selects no character: the perspective camera shows defaults, and edits
        // change nothing but the modified flag.
        ClickCell(1, 0);
        QCOMPARE(Coordinates(), QStringLiteral("0.000000 0.000000 0.000000"));
        const QString camera = Vector(Scene().m_perspectiveCamera.m_position);
        Document().SetModifiedFlag(false);
        Type(IDC_EDIT_X, QStringLiteral("77"));
        QCOMPARE(Vector(Scene().GetCharacter(0)->GetKeyPosition(0)),
                 QStringLiteral("0.123457 -30 8"));
        QCOMPARE(Vector(Scene().m_perspectiveCamera.m_position), camera);
        QVERIFY(Document().IsModified());
        Command(ID_EDIT_SCALE);
        QCOMPARE(Coordinates(), QStringLiteral("1.000000 1.000000 1.000000"));
        Command(ID_EDIT_MOVE);

        // The camera row switches to the camera track, whose key the fields then edit.
        ClickCell(3, 0);
        QCOMPARE(Scene().m_nCameraMode, static_cast<int>(CameraTrack));
        D3DXVECTOR3 key = Scene().GetCameraPosition(0);
        QCOMPARE(Text(IDC_EDIT_Z), QString::asprintf("%f", double{key.z}));
        Type(IDC_EDIT_X, QStringLiteral("7"));
        key.x = 7.0f;
        QCOMPARE(Vector(Scene().GetCameraPosition(0)), Vector(key));
    }

    void ChoicesKeyTheMotionTheWavAndTheSubtitle() {
        Import(QStringLiteral("MQA/SharpHair.mqa"));
        // A WAV key at frame 10 puts frame 5 inside the movie, where the character's empty
        // row shows no motion; the key at frame 0 takes the choice.
        QTest::mouseDClick(&Rows(), Qt::LeftButton, {}, Cell(1, 10));
        ClickCell(0, 5);
        QCOMPARE(Text(IDC_COMBO_ANIMATION), QString());
        Document().SetModifiedFlag(false);
        Choose(IDC_COMBO_ANIMATION, QStringLiteral(u"ジャンプ"));
        QCOMPARE(Rows().m_tracks[0].GetFrameState(0), static_cast<int>(TimeLineContentKey));
        QVERIFY(Document().IsModified());
        // The field shows the choice, so leaving it for the loop box keeps the motion.
        QCOMPARE(Text(IDC_COMBO_ANIMATION), QStringLiteral(u"ジャンプ"));
        Click(IDC_CHECK_LOOP);
        Click(IDC_CHECK_STOP_AT_END);
        const CAnimation& key = Scene().GetCharacter(0)->m_keys[0];
        QVERIFY(key.m_bLoop && key.m_bStopAtEnd);
        QCOMPARE(KeyMotion(), QStringLiteral(u"ジャンプ"));
        Type(IDC_COMBO_ANIMATION, QString()); // an emptied field clears the motion
        QCOMPARE(KeyMotion(), QString());

        // Typing a WAV's name chooses nothing; choosing it on the character's row moves the
        // selection to the WAV row.
        QTest::keyClick(&Enter(IDC_COMBO_WAVE, WaveFile(1)), Qt::Key_Return);
        QCOMPARE(g_pDirectSound->GetWaveName(0), std::string());
        Choose(IDC_COMBO_WAVE, WaveFile(1));
        QCOMPARE(Rows().m_nSelectedRow, 1);
        QCOMPARE(FromCp932(g_pDirectSound->GetWaveName(0)), WaveFile(1));
        QCOMPARE(Text(IDC_COMBO_WAVE), WaveFile(1));

        // The subtitle is typed on its own row only.
        Type(IDC_EDIT_SUBTITLE, QStringLiteral(u"ようこそ"));
        QCOMPARE(Scene().GetSubtitle(0), std::string());
        ClickCell(2, 0);
        Type(IDC_EDIT_SUBTITLE, QStringLiteral(u"ようこそ"));
        QCOMPARE(FromCp932(Scene().GetSubtitle(0)), QStringLiteral(u"ようこそ"));
        QCOMPARE(Dialogs().messages.size(), std::size_t{0});
        // Characters that code page 932 cannot hold are kept as '?', and the user is told.
        Type(IDC_EDIT_SUBTITLE, QStringLiteral(u"a😀𠮷"));
        QCOMPARE(Scene().GetSubtitle(0), std::string("a??"));
        QCOMPARE(Text(IDC_EDIT_SUBTITLE), QStringLiteral("a??"));
        QCOMPARE(Dialogs().messages.size(), std::size_t{1});
        QVERIFY(Dialogs().messages.back().text.startsWith(QStringLiteral(u"字幕には使えない文字")));
        // Left for a click into the 3D view, the field warns once the button is up: the form
        // looks at the button every 50 ms, and the warning comes at its first look after the
        // release, which may be later than a Settle() after it. The button is held over
        // several looks.
        Enter(IDC_EDIT_SUBTITLE, QStringLiteral(u"😀"));
        QTest::mousePress(Frame().m_pView, Qt::LeftButton);
        QTest::qWait(200);
        QCOMPARE(Dialogs().messages.size(), std::size_t{1});
        QTest::mouseRelease(Frame().m_pView, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(Dialogs().messages.size(), std::size_t{2}, PatienceMs);

        // Before every key (a click in the header's name column) a choice changes nothing.
        ClickCell(0, 0);
        QTest::mouseClick(&Rows(), Qt::LeftButton, {}, QPoint(40, 10));
        QVERIFY(g_nCurrentFrame < 0);
        Document().SetModifiedFlag(false);
        Choose(IDC_COMBO_ANIMATION, QStringLiteral(u"歩く"));
        Choose(IDC_COMBO_WAVE, QStringLiteral(u"なし"));
        QCOMPARE(KeyMotion(), QString());
        QCOMPARE(FromCp932(g_pDirectSound->GetWaveName(0)), WaveFile(1));
        QVERIFY(!Document().IsModified());
    }

    // Only a choice from a list sets a motion or a WAV: a click on an entry of the opened
    // list, or an arrow key that moves the list's selection. Opening the list, typing into
    // the field and leaving it choose nothing.
    void ListsActOnlyOnAChoice() {
        Import(QStringLiteral("MQA/SharpHair.mqa"));
        QComboBox& motions = List(IDC_COMBO_ANIMATION);
        QCOMPARE(Text(IDC_COMBO_ANIMATION), QString());
        Document().SetModifiedFlag(false);
        OpenList(motions);
        QCOMPARE(Rows().m_tracks[0].GetFrameState(0), static_cast<int>(TimeLineKey));
        QCOMPARE(Scene().GetCharacterFrameState(0, 0), static_cast<int>(FrameKey));
        QVERIFY(!Document().IsModified());
        QTest::keyClick(motions.view(), Qt::Key_Escape);
        Settle();
        QCOMPARE(Rows().m_tracks[0].GetFrameState(0), static_cast<int>(TimeLineKey));
        QVERIFY(!Document().IsModified());

        // A walk from frame 0 to the key at 12, with a plain key at 6 that continues it.
        Choose(IDC_COMBO_ANIMATION, QStringLiteral(u"歩く"));
        FrameCommand(0, 12, ID_TIMELINE_ADD_KEY_FILL);
        FrameCommand(0, 6, ID_TIMELINE_ADD_KEY);
        const QString walk = MotionFrames();
        QCOMPARE(walk.left(6), QStringLiteral("0 1 2 "));
        ClickCell(0, 6);
        QCOMPARE(Text(IDC_COMBO_ANIMATION), QStringLiteral(u"歩く"));
        Document().SetModifiedFlag(false);
        // The list opens on the entry shown.
        OpenList(motions);
        QCOMPARE(motions.view()->currentIndex().data().toString(), QStringLiteral(u"歩く"));
        QVERIFY(QFile::exists(SaveScreenshot(QStringLiteral("motion-list-open"))));
        QTest::keyClick(motions.view(), Qt::Key_Escape);
        Click(IDC_COMBO_ANIMATION);
        Click(IDC_EDIT_X);
        QCOMPARE(Rows().m_tracks[0].GetFrameState(6), static_cast<int>(TimeLineKey));
        QCOMPARE(Scene().GetCharacterFrameState(0, 6), static_cast<int>(FrameKey));
        QCOMPARE(MotionFrames(), walk);
        QVERIFY(!Document().IsModified());

        // A name typed into the WAV field stays in the field.
        Type(IDC_COMBO_WAVE, QStringLiteral("fanfare.wav"));
        QCOMPARE(Text(IDC_COMBO_WAVE), QStringLiteral("fanfare.wav"));
        QCOMPARE(g_pDirectSound->GetWaveName(0), std::string());
        QCOMPARE(Rows().m_tracks[1].GetFrameState(0), static_cast<int>(TimeLineKey));
        QCOMPARE(Rows().m_nSelectedRow, 0);

        // The wheel over a list without the focus chooses nothing.
        Document().SetModifiedFlag(false);
        TurnWheel(IDC_COMBO_ANIMATION);
        TurnWheel(IDC_COMBO_WAVE);
        QCOMPARE(Text(IDC_COMBO_ANIMATION), QStringLiteral(u"歩く"));
        QCOMPARE(MotionFrames(), walk);
        QCOMPARE(Text(IDC_COMBO_WAVE), QStringLiteral("fanfare.wav"));
        QCOMPARE(Rows().m_tracks[1].GetFrameState(0), static_cast<int>(TimeLineKey));
        QVERIFY(!Document().IsModified());

        // The arrow keys move from the entry that the field shows: up from 歩く is ジャンプ,
        // which starts at the plain key.
        ClickCell(0, 6);
        Document().SetModifiedFlag(false);
        QTest::keyClick(&Click(IDC_COMBO_ANIMATION), Qt::Key_Up);
        Settle();
        QCOMPARE(Text(IDC_COMBO_ANIMATION), QStringLiteral(u"ジャンプ"));
        QCOMPARE(Rows().m_tracks[0].GetFrameState(6), static_cast<int>(TimeLineContentKey));
        QCOMPARE(KeyMotion(6), QStringLiteral(u"ジャンプ"));
        QCOMPARE(MotionFrames().split(u' ').mid(6, 3), (QStringList{"0", "1", "2"}));
        QVERIFY(Document().IsModified());
    }
};

SORVENDAL_APP_TEST_MAIN(PropertyFormTest)
#include "PropertyFormTest.moc"
