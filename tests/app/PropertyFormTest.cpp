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

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QLineEdit>

using namespace AppSession;

namespace {

CDirectXGraphics& Scene() {
    return *g_pDirectXGraphics;
}

CPropertyView& Form() {
    return *Frame().m_pPropertyView;
}

CTimeLineCtrl& Rows() {
    return Frame().m_pTimeLineView->m_ctrl;
}

QString Text(int id) {
    return Form().GetDlgItemText(id);
}

std::string Cp932(const QString& text) {
    return Mbcs::FromUtf8(text.toStdString()).value();
}

QWidget& Shown(int id) {
    QWidget& control = *Form().GetDlgItem(id);
    Form().ensureWidgetVisible(&control);
    return control;
}

// Clicks into the field, which leaves the field that had the focus.
QWidget& Focus(int id) {
    QWidget& field = Shown(id);
    QTest::mouseClick(&field, Qt::LeftButton);
    return field;
}

// Clicks into the field and replaces its text.
QWidget& Enter(int id, const QString& text) {
    QWidget& field = Focus(id);
    QTest::keyClick(&field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(&field, Qt::Key_Delete);
    // Latin text comes from the keys; Japanese text is committed by the input method.
    if (text.toLatin1() == text.toUtf8()) {
        QTest::keyClicks(&field, text);
    } else {
        QInputMethodEvent commit;
        commit.setCommitString(text);
        QApplication::sendEvent(QApplication::focusWidget(), &commit);
    }
    return field;
}

// Enters the text and leaves the field with Tab.
void Type(int id, const QString& text) {
    QTest::keyClick(&Enter(id, text), Qt::Key_Tab);
    Settle();
}

// Opens the list with its arrow and clicks the entry.
void Choose(int id, const QString& entry) {
    auto& combo = static_cast<QComboBox&>(Shown(id));
    const int index = combo.findText(entry);
    QVERIFY2(index >= 0, qPrintable(entry));
    QTest::mouseClick(&combo, Qt::LeftButton, {}, QPoint(combo.width() - 6, combo.height() / 2));
    QAbstractItemView& list = *combo.view();
    QVERIFY(QTest::qWaitForWindowExposed(list.window()));
    QTest::qWait(QApplication::doubleClickInterval()); // past the opening click's release
    const QModelIndex item = list.model()->index(index, 0);
    list.scrollTo(item);
    const QPoint centre = list.visualRect(item).center();
    QTest::mouseMove(list.viewport(), centre);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, centre);
    Settle();
}

QPoint CellOf(int row, int frame) {
    return {CTimeLineCtrl::NameColumnWidth + frame * CTimeLineCtrl::FrameColumnWidth + 4,
            CTimeLineCtrl::HeaderHeight + row * CTimeLineCtrl::RowHeight + 10};
}

void ClickTimeLine(QPoint point) {
    QTest::mouseClick(&Rows(), Qt::LeftButton, {}, point);
    Settle();
}

void ImportSharpHair() {
    Dialogs().fileAnswers = {ProgramFolder() + QStringLiteral("MQA/SharpHair.mqa")};
    Command(ID_FILE_IMPORT);
    Settle();
}

QStringList Entries(int id) {
    const QComboBox& combo = *Form().GetControl<QComboBox>(id);
    QStringList entries;
    for (int i = 0; i < combo.count(); ++i) {
        entries << combo.itemText(i);
    }
    return entries;
}

void CompareVector(const D3DXVECTOR3& actual, const D3DXVECTOR3& expected) {
    QCOMPARE(actual.x, expected.x);
    QCOMPARE(actual.y, expected.y);
    QCOMPARE(actual.z, expected.z);
}

QStringList CoordinateTexts() {
    return {Text(IDC_EDIT_X), Text(IDC_EDIT_Y), Text(IDC_EDIT_Z)};
}

} // namespace

class PropertyFormTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(Start()); }
    void init() {
        // A field left by the last test is left now, before the new document.
        Frame().m_pView->setFocus();
        NewDocument();
        Scene().m_nEditMode = EditMove;
    }
    void cleanupTestCase() { Stop(); }

    void ShowsTheNewSceneAndTheImportedCharactersMotions() {
        QCOMPARE(Text(IDC_EDIT_WIDTH), QStringLiteral("320"));
        QCOMPARE(Text(IDC_EDIT_HEIGHT), QStringLiteral("240"));
        QCOMPARE(Text(IDC_EDIT_MAX_FRAME), QStringLiteral("900"));
        QCOMPARE(CoordinateTexts(), QStringList(3, QStringLiteral("0.000000")));
        QStringList waves = {QStringLiteral(u"なし")};
        for (const std::string& file : g_pDirectSound->m_files) {
            waves << QString::fromStdString(file);
        }
        QCOMPARE(waves.size(), 4);
        QCOMPARE(Entries(IDC_COMBO_WAVE), waves); // in the folder's order, not sorted
        for (const int axis : {IDC_CHECK_X, IDC_CHECK_Y, IDC_CHECK_Z}) {
            QVERIFY(Form().IsDlgButtonChecked(axis));
        }
        // Its pane keeps 300 pixels when the bar beside it is dragged.
        QWidget& bar = *Frame().GetInnerSplitter().handle(1);
        const QPoint grip = bar.rect().center();
        QTest::mousePress(&bar, Qt::LeftButton, {}, grip);
        QTest::mouseMove(&bar, grip + QPoint(80, 0));
        QTest::mouseRelease(&bar, Qt::LeftButton, {}, grip + QPoint(80, 0));
        Settle();
        QCOMPARE(Form().width(), CMainFrame::PropertyFormWidth);

        ImportSharpHair();
        // The file lists 歩く before ジャンプ: the list is sorted, "なし" included.
        QCOMPARE(Entries(IDC_COMBO_ANIMATION),
                 (QStringList{QStringLiteral(u"なし"), QStringLiteral(u"ジャンプ"),
                              QStringLiteral(u"歩く")}));
        QCOMPARE(Scene().m_nSelected, 0);
        Scene().SetCharacterPosition(0, 0, 1.5f, -2.25f, 100.0f);
        Document().UpdateAllViews(nullptr, HintSceneChanged);
        QCOMPARE(CoordinateTexts(),
                 (QStringList{QStringLiteral("1.500000"), QStringLiteral("-2.250000"),
                              QStringLiteral("100.000000")}));
        Choose(IDC_COMBO_ANIMATION, QStringLiteral(u"歩く"));
        Form().SetDlgItemText(IDC_EDIT_SUBTITLE, QStringLiteral(u"こんにちは"));
        const QString shot = SaveScreenshot(QStringLiteral("property-form"));
        QVERIFY(QFile::exists(shot));
    }

    void ScreenFieldsFallBackToTheirDefaults() {
        struct Case {
            int id;
            QString typed;
            QString shown;
            int scene;
        };
        const Case cases[] = {
            {IDC_EDIT_WIDTH, QStringLiteral("0"), QStringLiteral("320"), 320},
            {IDC_EDIT_WIDTH, QString(), QStringLiteral("320"), 320},
            {IDC_EDIT_WIDTH, QStringLiteral("640"), QStringLiteral("640"), 640},
            {IDC_EDIT_WIDTH, QStringLiteral("99999999999"), QStringLiteral("320"), 320},
            {IDC_EDIT_HEIGHT, QStringLiteral("0"), QStringLiteral("240"), 240},
            {IDC_EDIT_HEIGHT, QStringLiteral("1"), QStringLiteral("1"), 1},
            {IDC_EDIT_MAX_FRAME, QStringLiteral("899"), QStringLiteral("900"), 900},
            {IDC_EDIT_MAX_FRAME, QStringLiteral("1200"), QStringLiteral("1200"), 1200},
        };
        for (const Case& c : cases) {
            Focus(c.id);
            Document().SetModifiedFlag(false);
            Rows().m_nFrameCount = 0;
            Type(c.id, c.typed);
            const QString label = QStringLiteral("%1 '%2'").arg(c.id).arg(c.typed);
            QVERIFY2(Text(c.id) == c.shown, qPrintable(label));
            const int stored = c.id == IDC_EDIT_WIDTH    ? Scene().m_nMovieWidth
                               : c.id == IDC_EDIT_HEIGHT ? Scene().m_nMovieHeight
                                                         : Scene().m_nFrameCount;
            QVERIFY2(stored == c.scene, qPrintable(label));
            QVERIFY(Document().IsModified());
            // Only the frame count tells the timeline, which takes it over.
            QVERIFY2(Rows().m_nFrameCount == (c.id == IDC_EDIT_MAX_FRAME ? c.scene : 0),
                     qPrintable(label));
        }
        Rows().m_nFrameCount = DefaultFrameCount;
    }

    void CoordinateFieldsEditTheSelectedOrTheCameraKey() {
        ImportSharpHair();
        ClickTimeLine(CellOf(0, 0));
        Document().SetModifiedFlag(false);
        // The leading number of each text, 0 where there is none.
        Type(IDC_EDIT_X, QStringLiteral("12.5cm"));
        Type(IDC_EDIT_Y, QStringLiteral(" -3e1"));
        Type(IDC_EDIT_Z, QStringLiteral("abc"));
        CompareVector(Scene().GetSelectedCharacterPosition(0), {12.5f, -30.0f, 0.0f});
        QVERIFY(Document().IsModified());

        Command(ID_EDIT_ROTATE);
        Document().UpdateAllViews(nullptr, HintSceneChanged);
        QCOMPARE(CoordinateTexts(), QStringList(3, QStringLiteral("0.000000")));
        Type(IDC_EDIT_Y, QStringLiteral("45"));
        CompareVector(Scene().GetSelectedCharacterRotation(0), {0.0f, 45.0f, 0.0f});
        Command(ID_EDIT_SCALE);
        QCOMPARE(CoordinateTexts(), QStringList(3, QStringLiteral("1.000000")));
        Command(ID_EDIT_MOVE);
        QCOMPARE(Text(IDC_EDIT_Y), QStringLiteral("-30.000000"));

        // Leaving a field unchanged stores the shown values again.
        Scene().SetCharacterPosition(0, 0, 0.1234567f, -30.0f, 0.0f);
        Document().UpdateAllViews(nullptr, HintSceneChanged);
        Document().SetModifiedFlag(false);
        QTest::mouseClick(&Shown(IDC_EDIT_X), Qt::LeftButton);
        QTest::keyClick(&Shown(IDC_EDIT_X), Qt::Key_Tab);
        QCOMPARE(Scene().GetSelectedCharacterPosition(0).x, 0.123457f);
        QVERIFY(Document().IsModified());

        // A click on the timeline leaves the field before it moves to another frame.
        Enter(IDC_EDIT_Z, QStringLiteral("8"));
        ClickTimeLine(CellOf(0, 3));
        QCOMPARE(Scene().GetCharacter(0)->GetKeyPosition(0).z, 8.0f);
        QCOMPARE(g_nCurrentFrame, 3);
        ClickTimeLine(CellOf(0, 0));

        // The WAV row selects no character: the perspective camera shows defaults and
        // edits change nothing but the modified flag.
        ClickTimeLine(CellOf(1, 0));
        QCOMPARE(Scene().m_nCameraMode, static_cast<int>(CameraPerspective));
        QCOMPARE(CoordinateTexts(), QStringList(3, QStringLiteral("0.000000")));
        const D3DXVECTOR3 camera = Scene().m_perspectiveCamera.m_position;
        Document().SetModifiedFlag(false);
        Type(IDC_EDIT_X, QStringLiteral("77"));
        CompareVector(Scene().GetCharacter(0)->GetKeyPosition(0), {0.123457f, -30.0f, 8.0f});
        CompareVector(Scene().m_perspectiveCamera.m_position, camera);
        QVERIFY(Document().IsModified());
        Command(ID_EDIT_SCALE);
        QCOMPARE(CoordinateTexts(), QStringList(3, QStringLiteral("1.000000")));
        Command(ID_EDIT_MOVE);

        // The camera row switches to the camera track, whose key the fields then edit.
        ClickTimeLine(CellOf(3, 0));
        QCOMPARE(Scene().m_nCameraMode, static_cast<int>(CameraTrack));
        const D3DXVECTOR3 key = Scene().GetCameraPosition(0);
        QCOMPARE(Text(IDC_EDIT_Z), QString::asprintf("%f", static_cast<double>(key.z)));
        Type(IDC_EDIT_X, QStringLiteral("7"));
        CompareVector(Scene().GetCameraPosition(0), {7.0f, key.y, key.z});
        Scene().m_nCameraMode = CameraPerspective;
    }

    void ChoicesKeyTheMotionTheWavAndTheSubtitle() {
        ImportSharpHair();
        // A WAV key at frame 10 puts frame 5 inside the movie, where the character's row
        // is empty and the form shows it without a motion.
        QTest::mouseDClick(&Rows(), Qt::LeftButton, {}, CellOf(1, 10));
        ClickTimeLine(CellOf(0, 5));
        QCOMPARE(g_nCurrentFrame, 5);
        QCOMPARE(Text(IDC_COMBO_ANIMATION), QString());
        Document().SetModifiedFlag(false);
        Choose(IDC_COMBO_ANIMATION, QStringLiteral(u"ジャンプ"));
        // The key before the current frame takes the motion and becomes a content key.
        QCOMPARE(Scene().GetCharacter(0)->m_keys[0].m_strMotion,
                 Cp932(QStringLiteral(u"ジャンプ")));
        QCOMPARE(Scene().GetCharacter(0)->m_keys[0].m_nState, FrameContentKey);
        QCOMPARE(Rows().m_tracks[0].GetFrameState(0), static_cast<int>(TimeLineContentKey));
        QVERIFY(Document().IsModified());

        // The field shows the choice, so leaving it for the loop box keeps the motion; the
        // box sets the flag on that key.
        QCOMPARE(Text(IDC_COMBO_ANIMATION), QStringLiteral(u"ジャンプ"));
        QTest::mouseClick(&Shown(IDC_CHECK_LOOP), Qt::LeftButton);
        QCOMPARE(Scene().GetCharacter(0)->m_keys[0].m_strMotion,
                 Cp932(QStringLiteral(u"ジャンプ")));
        QVERIFY(Scene().GetCharacter(0)->m_keys[0].m_bLoop);
        QVERIFY(Form().m_bLoop);
        QTest::mouseClick(&Shown(IDC_CHECK_STOP_AT_END), Qt::LeftButton);
        QVERIFY(Scene().GetCharacter(0)->m_keys[0].m_bStopAtEnd);

        // Emptying the motion's field clears the key's motion.
        Type(IDC_COMBO_ANIMATION, QString());
        QCOMPARE(Scene().GetCharacter(0)->m_keys[0].m_strMotion, std::string());

        // Typing a WAV's name chooses nothing; choosing it on the character's row moves the
        // selection to the WAV row.
        QTest::keyClick(&Enter(IDC_COMBO_WAVE, QString::fromStdString(g_pDirectSound->m_files[1])),
                        Qt::Key_Return);
        QCOMPARE(g_pDirectSound->GetWaveName(0), std::string());
        Choose(IDC_COMBO_WAVE, QString::fromStdString(g_pDirectSound->m_files[1]));
        QCOMPARE(Rows().m_nSelectedRow, 1);
        QCOMPARE(g_pDirectSound->GetWaveName(0), g_pDirectSound->m_files[1]);
        QCOMPARE(Text(IDC_COMBO_WAVE), QString::fromStdString(g_pDirectSound->m_files[1]));
        QCOMPARE(Rows().m_tracks[1].GetFrameState(0), static_cast<int>(TimeLineContentKey));

        // The subtitle is typed on its own row only.
        Type(IDC_EDIT_SUBTITLE, QStringLiteral(u"ようこそ"));
        QCOMPARE(Scene().GetSubtitle(0), std::string());
        ClickTimeLine(CellOf(2, 0));
        Type(IDC_EDIT_SUBTITLE, QStringLiteral(u"ようこそ"));
        QCOMPARE(Scene().GetSubtitle(0), Cp932(QStringLiteral(u"ようこそ")));

        // Before every key of the row (a click in the header's name column) nothing is
        // chosen, and no hint refreshes the fields.
        ClickTimeLine(CellOf(0, 0));
        ClickTimeLine(QPoint(40, 10));
        QVERIFY(g_nCurrentFrame < 0);
        Document().SetModifiedFlag(false);
        Choose(IDC_COMBO_ANIMATION, QStringLiteral(u"歩く"));
        QCOMPARE(Scene().GetCharacter(0)->m_keys[0].m_strMotion, std::string());
        QCOMPARE(Text(IDC_COMBO_ANIMATION), QStringLiteral(u"歩く"));
        Choose(IDC_COMBO_WAVE, QStringLiteral(u"なし"));
        QCOMPARE(g_pDirectSound->GetWaveName(0), g_pDirectSound->m_files[1]);
        QVERIFY(!Document().IsModified());
    }

    void AxisButtonsToggleTheFlags() {
        QTest::mouseClick(&Shown(IDC_CHECK_X), Qt::LeftButton);
        QTest::mouseClick(&Shown(IDC_CHECK_Z), Qt::LeftButton);
        QCOMPARE(std::vector<BOOL>({Scene().m_bAxisX, Scene().m_bAxisY, Scene().m_bAxisZ}),
                 std::vector<BOOL>({FALSE, TRUE, FALSE}));
        QVERIFY(!Form().IsDlgButtonChecked(IDC_CHECK_X));
        QVERIFY(Form().IsDlgButtonChecked(IDC_CHECK_Y));
        QTest::mouseClick(&Shown(IDC_CHECK_X), Qt::LeftButton);
        QTest::mouseClick(&Shown(IDC_CHECK_Z), Qt::LeftButton);
        QVERIFY(Scene().m_bAxisX && Scene().m_bAxisZ && Form().IsDlgButtonChecked(IDC_CHECK_Z));
        QVERIFY(!Document().IsModified());
    }

    void RefreshesRunNoHandler() {
        ImportSharpHair();
        // The focus sits in a field while the program rewrites every field.
        Focus(IDC_EDIT_Y);
        Document().SetModifiedFlag(false);
        Scene().m_nMovieWidth = 512;
        Scene().SetCharacterMotionName(0, 0, Cp932(QStringLiteral(u"歩く")));
        Scene().SetCharacterPosition(0, 0, 4.0f, 5.0f, 6.0f);
        // A reload selects the camera row; the 3D view's pick selects the row again.
        Document().UpdateAllViews(nullptr, HintDocumentLoaded);
        QCOMPARE(Text(IDC_EDIT_WIDTH), QStringLiteral("512"));
        QCOMPARE(Text(IDC_COMBO_ANIMATION), QStringLiteral(u"なし"));
        Rows().m_nSelectedRow = 0;
        Document().UpdateAllViews(nullptr, HintSelectionChanged);
        Settle();
        QCOMPARE(Text(IDC_COMBO_ANIMATION), QStringLiteral(u"歩く"));
        QCOMPARE(Entries(IDC_COMBO_ANIMATION).size(), 3);
        QCOMPARE(CoordinateTexts(),
                 (QStringList{QStringLiteral("4.000000"), QStringLiteral("5.000000"),
                              QStringLiteral("6.000000")}));
        QVERIFY(!Document().IsModified());
        QCOMPARE(Scene().GetCharacter(0)->m_keys[0].m_strMotion, Cp932(QStringLiteral(u"歩く")));

        // The end of a recording restores the back buffer's size.
        Form().m_nSavedWidth = 640;
        Form().m_nSavedHeight = 360;
        Document().UpdateAllViews(nullptr, HintRecordEnd);
        QCOMPARE(Scene().m_fBackBufferWidth, 640.0f);
        QCOMPARE(Scene().m_fBackBufferHeight, 360.0f);
        QVERIFY(!Document().IsModified());
    }
};

SORVENDAL_APP_TEST_MAIN(PropertyFormTest)
#include "PropertyFormTest.moc"
