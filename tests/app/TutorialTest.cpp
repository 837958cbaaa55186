// The first-run tutorial, walked as a new user walks it in the running main window: each
// action moves the balloon to the next step, with its text and its tail's tip on the
// control to use next; actions out of order leave it where it is; the last step hides it.

#include "app/CMainFrame.h"
#include "app/CSorvendalDoc.h"
#include "app/CTutorialDlg.h"
#include "app/Resource.h"
#include "graphics/CDirectXGraphics.h"
#include "graphics/CSorvendalView.h"
#include "platform/framework/Resources.h"
#include "support/AppSession.h"
#include "timeline/CPropertyView.h"
#include "timeline/CTimeLineView.h"

#include <QComboBox>
#include <QToolButton>

using namespace AppSession;

namespace {

CTutorialDlg& Balloon() {
    return *Frame().m_pTutorial;
}

QString StepText(int step) {
    return Resources::LoadString(IDS_TUTORIAL_STEP_FIRST + static_cast<UINT>(step) - 1);
}

QPoint Origin(const QWidget& pane) {
    return GetOriginInFrame(pane);
}

// The step, its text, and the tail's tip on the screen at the point of the frame.
void ExpectStep(int step, QPoint tip) {
    QCOMPARE(g_nTutorialStep, step);
    QVERIFY(Balloon().isVisible());
    QString shown;
    for (const std::string& line : Balloon().m_lines) {
        shown += (shown.isEmpty() ? QString() : QStringLiteral("\n")) + FromCp932(line);
    }
    QCOMPARE(shown, StepText(step));
    QCOMPARE(Balloon().pos(), Frame().mapToGlobal(tip));
}

void ClickToolButton(UINT id) {
    QWidget* button = Frame().GetToolBar().widgetForAction(Frame().GetCommandAction(id));
    QTest::mouseClick(button, Qt::LeftButton);
    Settle();
}

void ImportWithButton(const QString& path) {
    Dialogs().fileAnswers.push_back(path);
    ClickToolButton(ID_FILE_IMPORT);
}

QPoint ViewCentre() {
    const QWidget& view = *Frame().m_pView;
    return QPoint(view.width() / 2, view.height() / 2);
}

} // namespace

class TutorialTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(Start()); }
    void cleanupTestCase() { Stop(); }

    void BalloonsAreSizedFromTheirLines() {
        CTutorialDlg balloon(nullptr);
        balloon.SetText("one line");
        QCOMPARE(balloon.BalloonSize(), QSize(static_cast<int>(8 * 12 * 0.8f), 59));
        balloon.SetText("a\n\nbc");
        QCOMPARE(balloon.m_lines.size(), std::size_t{3});
        QCOMPARE(balloon.BalloonSize().height(), 97);
    }

    void WalksTheUserThroughTheFirstScene() {
        CMainFrame& frame = Frame();
        const QWidget& timeLine = *frame.m_pTimeLineView;
        const QPoint importButton = frame.GetToolBarButtonPoint(4);
        ExpectStep(1, importButton);
        QCOMPARE(Balloon().height(), 97); // three lines
        SaveScreenshot(QStringLiteral("tutorial-step-1"));

        // The balloon follows the main window, tip and all.
        frame.move(frame.pos() + QPoint(30, 20));
        Settle();
        ExpectStep(1, importButton);
        frame.move(frame.pos() - QPoint(30, 20));
        Settle();

        // A file that does not load, or a timeline click, does not advance.
        ImportWithButton(ProgramFolder() + QStringLiteral("MQO/missing.mqo"));
        ClickCell(0, 0);
        ExpectStep(1, importButton);

        ImportWithButton(ProgramFolder() + QStringLiteral("MQO/Shop.mqo"));
        ExpectStep(2, Origin(timeLine) + QPoint(140, 30));
        ClickCell(3, 0); // the camera row: not yet
        ExpectStep(2, Origin(timeLine) + QPoint(140, 30));
        QTest::mouseClick(&Rows(), Qt::LeftButton, Qt::NoModifier, QPoint(140, Cell(0, 0).y()));
        Settle();
        QVERIFY(Scene().GetCharacter(0)->m_bLocked);
        ExpectStep(3, importButton);

        ImportWithButton(ProgramFolder() + QStringLiteral("MQA/SharpHair.mqa"));
        ExpectStep(4, Origin(timeLine) + QPoint(644, 30));
        FrameCommand(0, 60, ID_TIMELINE_ADD_KEY_FILL);
        ExpectStep(5, Origin(*frame.m_pView) + ViewCentre());
        SaveScreenshot(QStringLiteral("tutorial-step-5"));

        Drag(*frame.m_pView, ViewCentre(), {QPoint(10, 0)});
        ExpectStep(6, Origin(timeLine) + QPoint(644, 50));
        FrameCommand(1, 60, ID_TIMELINE_ADD_KEY_FILL); // Shop
        ExpectStep(7, Origin(timeLine) + QPoint(644, 110));
        FrameCommand(4, 60, ID_TIMELINE_ADD_KEY_FILL); // the camera
        ExpectStep(8, Origin(*frame.m_pView) + QPoint(100, 100));
        Drag(*frame.m_pView, QPoint(10, 10), {QPoint(20, 5)});
        ExpectStep(9, Origin(timeLine) + QPoint(164, 30));

        ClickCell(0, 0); // SharpHair at frame 0
        const QPoint motionList = Origin(*frame.m_pPropertyView) + QPoint(230, 150);
        ExpectStep(10, motionList);
        // A motion chosen on another row than a character's does not advance.
        auto& motions = *frame.m_pPropertyView->GetControl<QComboBox>(IDC_COMBO_ANIMATION);
        ClickCell(2, 0); // the WAV row: its list holds only "なし"
        ChooseInList(motions, QStringLiteral(u"なし"));
        ExpectStep(10, motionList);
        ClickCell(0, 0);
        ChooseInList(motions, QStringLiteral(u"歩く"));
        ExpectStep(11, frame.GetToolBarButtonPoint(19));
        SaveScreenshot(QStringLiteral("tutorial-step-11"));

        ClickToolButton(ID_PLAY);
        QCOMPARE(g_nTutorialStep, TutorialFinished);
        QVERIFY(!Balloon().isVisible());
        Command(ID_STOP);
    }
};

SORVENDAL_APP_TEST_MAIN(TutorialTest)
#include "TutorialTest.moc"
