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

// Whether the screen shows the balloon's body, as the balloon paints it, with the tip at the
// point of the frame: no other window lies over it.
bool ShownOnTop(QPoint tip) {
    const QImage own = Balloon().grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRect body(1, 31, own.width() - 2, own.height() - 32);
    const QPoint at = Frame().mapToGlobal(tip) + body.topLeft();
    const QImage screen = Balloon()
                              .screen()
                              ->grabWindow(0, at.x(), at.y(), body.width(), body.height())
                              .toImage()
                              .convertToFormat(QImage::Format_RGB32);
    return screen == own.copy(body);
}

// The step, its text, and the tail's tip on the screen at the point of the frame, with the
// balloon above every other window.
void ExpectStep(int step, QPoint tip) {
    QCOMPARE(g_nTutorialStep, step);
    QVERIFY(Balloon().isVisible());
    QString shown;
    for (const std::string& line : Balloon().m_lines) {
        shown += (shown.isEmpty() ? QString() : QStringLiteral("\n")) + FromCp932(line);
    }
    QCOMPARE(shown, StepText(step));
    QCOMPARE(Balloon().pos(), Frame().mapToGlobal(tip));
    QTRY_VERIFY2_WITH_TIMEOUT(
        ShownOnTop(tip), qPrintable(QStringLiteral("step %1: the balloon is hidden").arg(step)),
        PatienceMs);
}

// A failed step ends the walk: later steps cannot follow.
#define EXPECT_STEP(step, tip)                                                                     \
    do {                                                                                           \
        ExpectStep(step, tip);                                                                     \
        if (QTest::currentTestFailed()) {                                                          \
            return;                                                                                \
        }                                                                                          \
    } while (false)

// Where the tutorial points, from the window's layout as it shows: a toolbar button's point
// is 20 right of and 15 below its top-left corner; below the toolbar the timeline pane is
// 150 high across the client area, and under it, past a 5-pixel bar, the property form 300
// wide at the left and the 3D view, past another bar, taking the rest.
struct Layout {
    Layout() {
        const QRect client = Frame().centralWidget()->geometry();
        timeLine = client.topLeft();
        form = timeLine + QPoint(0, 150 + 5);
        view = form + QPoint(300 + 5, 0);
        viewSize = QSize(client.width() - 305, client.height() - 155);
    }
    static QPoint ButtonPoint(UINT id) {
        const QWidget* button = Frame().GetToolBar().widgetForAction(Frame().GetCommandAction(id));
        return button->mapTo(&Frame(), QPoint(20, 15));
    }
    QPoint timeLine;
    QPoint form;
    QPoint view;
    QSize viewSize;
};

void ClickToolButton(UINT id) {
    QWidget* button = Frame().GetToolBar().widgetForAction(Frame().GetCommandAction(id));
    QTest::mouseClick(button, Qt::LeftButton);
    Settle();
}

void ImportWithButton(const QString& path) {
    Dialogs().fileAnswers.push_back(path);
    ClickToolButton(ID_FILE_IMPORT);
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
        const Layout layout;
        const QPoint importButton = Layout::ButtonPoint(ID_FILE_IMPORT);
        const QPoint viewCentre =
            layout.view + QPoint(layout.viewSize.width() / 2, layout.viewSize.height() / 2);
        EXPECT_STEP(1, importButton);
        QCOMPARE(Balloon().height(), 97); // three lines
        SaveScreenshot(QStringLiteral("tutorial-step-1"));
        SaveScreenScreenshot(QStringLiteral("tutorial-step-1-screen"));

        // The balloon follows the main window, tip and all.
        frame.move(frame.pos() + QPoint(30, 20));
        Settle();
        EXPECT_STEP(1, importButton);
        frame.move(frame.pos() - QPoint(30, 20));
        Settle();
        // Raised and activated, as a window manager does when the user clicks it, the main
        // window keeps the balloon above. (With no window manager, whose sign is a window
        // without a frame, nothing raises the main window.)
        if (frame.frameGeometry() != frame.geometry()) {
            frame.raise();
            frame.activateWindow();
            Settle();
            EXPECT_STEP(1, importButton);
        }

        // A file that does not load, or a timeline click, does not advance.
        ImportWithButton(ProgramFolder() + QStringLiteral("MQO/missing.mqo"));
        ClickCell(0, 0);
        EXPECT_STEP(1, importButton);

        // A step raises the balloon above a window that came over it meanwhile.
        QWidget cover;
        cover.setGeometry(frame.screen()->availableGeometry());
        cover.show();
        QVERIFY(QTest::qWaitForWindowExposed(&cover, PatienceMs));
        QTRY_VERIFY_WITH_TIMEOUT(!ShownOnTop(importButton), PatienceMs);
        ImportWithButton(ProgramFolder() + QStringLiteral("MQO/Shop.mqo"));
        EXPECT_STEP(2, layout.timeLine + QPoint(140, 30));
        cover.close();
        ClickCell(3, 0); // the camera row: not yet
        EXPECT_STEP(2, layout.timeLine + QPoint(140, 30));
        QTest::mouseClick(&Rows(), Qt::LeftButton, Qt::NoModifier, QPoint(140, Cell(0, 0).y()));
        Settle();
        QVERIFY(Scene().GetCharacter(0)->m_bLocked);
        EXPECT_STEP(3, importButton);

        ImportWithButton(ProgramFolder() + QStringLiteral("MQA/SharpHair.mqa"));
        EXPECT_STEP(4, layout.timeLine + QPoint(644, 30));
        FrameCommand(0, 60, ID_TIMELINE_ADD_KEY_FILL);
        EXPECT_STEP(5, viewCentre);
        SaveScreenshot(QStringLiteral("tutorial-step-5"));

        Drag(*frame.m_pView, viewCentre - layout.view, {QPoint(10, 0)});
        EXPECT_STEP(6, layout.timeLine + QPoint(644, 50));
        FrameCommand(1, 60, ID_TIMELINE_ADD_KEY_FILL); // Shop
        EXPECT_STEP(7, layout.timeLine + QPoint(644, 110));
        FrameCommand(4, 60, ID_TIMELINE_ADD_KEY_FILL); // the camera
        EXPECT_STEP(8, layout.view + QPoint(100, 100));
        Drag(*frame.m_pView, QPoint(10, 10), {QPoint(20, 5)});
        EXPECT_STEP(9, layout.timeLine + QPoint(164, 30));

        ClickCell(0, 0); // SharpHair at frame 0
        const QPoint motionList = layout.form + QPoint(230, 150);
        EXPECT_STEP(10, motionList);
        // A motion chosen on another row than a character's does not advance.
        auto& motions = *frame.m_pPropertyView->GetControl<QComboBox>(IDC_COMBO_ANIMATION);
        ClickCell(2, 0); // the WAV row: its list holds only "なし"
        ChooseInList(motions, QStringLiteral(u"なし"));
        EXPECT_STEP(10, motionList);
        ClickCell(0, 0);
        ChooseInList(motions, QStringLiteral(u"歩く"));
        EXPECT_STEP(11, Layout::ButtonPoint(ID_PLAY));
        SaveScreenshot(QStringLiteral("tutorial-step-11"));

        ClickToolButton(ID_PLAY);
        QCOMPARE(g_nTutorialStep, TutorialFinished);
        QVERIFY(!Balloon().isVisible());
        Command(ID_STOP);
    }
};

SORVENDAL_APP_TEST_MAIN(TutorialTest)
#include "TutorialTest.moc"
