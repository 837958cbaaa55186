// The timeline pane in the running main window: what it shows to the pixel, and what its
// clicks, lock boxes, scroll bar, double clicks and the first/last-frame moves do to the
// scene.

#include "app/CMainFrame.h"
#include "app/CSorvendalDoc.h"
#include "app/Resource.h"
#include "graphics/CDirectXGraphics.h"
#include "scene/SceneGlobals.h"
#include "support/AppSession.h"
#include "timeline/CTimeLineView.h"

#include <QRegularExpression>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTemporaryDir>

using namespace AppSession;

namespace {

// What the control paints (the tutorial's balloon may lie over it on the screen).
QImage Shown() {
    Settle();
    return Rows().grab().toImage().convertToFormat(QImage::Format_RGB32);
}

void Click(QPoint point) {
    QTest::mouseClick(&Rows(), Qt::LeftButton, Qt::NoModifier, point);
    Settle();
}

// Presses the scroll bar's own "line right" arrow, as a user does.
void ClickLineRight(QScrollBar& bar) {
    QStyleOptionSlider option;
    option.initFrom(&bar);
    option.orientation = bar.orientation();
    option.minimum = bar.minimum();
    option.maximum = bar.maximum();
    option.sliderPosition = bar.sliderPosition();
    option.sliderValue = bar.value();
    option.singleStep = bar.singleStep();
    option.pageStep = bar.pageStep();
    option.upsideDown = bar.invertedAppearance();
    const QRect arrow = bar.style()->subControlRect(QStyle::CC_ScrollBar, &option,
                                                    QStyle::SC_ScrollBarAddLine, &bar);
    QTest::mouseClick(&bar, Qt::LeftButton, Qt::NoModifier, arrow.center());
    Settle();
}

// The active flag of every AddMotion line of the header, in order.
QString ActiveFlags(const QString& header) {
    QFile file(header);
    if (!file.open(QIODevice::ReadOnly)) {
        return QStringLiteral("no header");
    }
    static const QRegularExpression motion(QStringLiteral("AddMotion\\(\"[^\"]*\",-?\\d+,(\\d+),"));
    QStringList flags;
    for (const QRegularExpressionMatch& line :
         motion.globalMatch(QString::fromLatin1(file.readAll()))) {
        flags << line.captured(1);
    }
    return flags.join(u' ');
}

} // namespace

class TimeLinePaneTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(Start()); }
    void init() { NewDocument(); }
    void cleanupTestCase() { Stop(); }

    void ShowsTheRowsToThePixel() {
        Import(QStringLiteral("MQA/SharpHair.mqa"));
        const QImage shown = Shown();
        const QColor highlight = Rows().palette().color(QPalette::Active, QPalette::Highlight);
        // Row 0 is selected: its name cell and its current cell (frame 0) in the highlight.
        QCOMPARE(shown.pixelColor(20, 30), highlight);
        QCOMPARE(shown.pixelColor(165, 22), highlight);
        // Its key at frame 0: a 5 x 9 box outlined in the dark pen around white.
        const QColor dark(100, 100, 100);
        QCOMPARE(shown.pixelColor(162, 30), dark);
        QCOMPARE(shown.pixelColor(163, 34), QColor(Qt::white));
        // The key of the camera row (row 3).
        QCOMPARE(shown.pixelColor(162, 90), dark);
        QCOMPARE(shown.pixelColor(163, 94), QColor(Qt::white));
        // The lock box only on the character's row: outlined, unlocked.
        QCOMPARE(shown.pixelColor(138, 25), dark);
        QCOMPARE(shown.pixelColor(143, 30), QColor(Qt::white));
        for (int row = 1; row <= 3; ++row) {
            QVERIFY(shown.pixelColor(138, 25 + 20 * row) != dark);
        }
        // The red cursor line at frame 0, from the top.
        QCOMPARE(shown.pixelColor(164, 5), QColor(Qt::red));
        QCOMPARE(shown.pixelColor(164, 110), QColor(Qt::red));
        // Shading every fifth frame, grid lines between the frames.
        QCOMPARE(shown.pixelColor(161 + 8 * 5, 95), QColor(245, 245, 245));
        QCOMPARE(shown.pixelColor(160 + 8 * 3, 95), QColor(220, 220, 220));
    }

    void ClicksSelectAndSyncIntoTheScene() {
        Import(QStringLiteral("MQA/SharpHair.mqa"));
        Document().SetModifiedFlag(false);

        // A double click on the camera row at frame 10 keys it there: the last frame is 10.
        QTest::mouseDClick(&Rows(), Qt::LeftButton, Qt::NoModifier, Cell(3, 10));
        Settle();
        QCOMPARE(Rows().m_tracks[3].GetFrameState(10), static_cast<int>(TimeLineKey));
        QCOMPARE(Scene().m_cameraKeys[10].m_nState, static_cast<int>(FrameKey));
        QCOMPARE(Scene().m_nCameraMode, static_cast<int>(CameraTrack));
        QVERIFY(Document().IsModified());

        // The character's row is empty after frame 0: inside the timeline it is absent,
        // past the last frame of every row it shows.
        ClickCell(0, 5);
        QCOMPARE(g_nCurrentFrame, 5);
        QCOMPARE(Scene().m_nSelected, 0);
        QVERIFY(!Scene().GetCharacter(0)->m_bShown);
        ClickCell(0, 20);
        QVERIFY(Scene().GetCharacter(0)->m_bShown);
        QCOMPARE(Rows().m_nCursorFrame, 10);

        // The WAV row selects no character and leaves the camera alone.
        Scene().m_nCameraMode = CameraPerspective;
        ClickCell(1, 3);
        QCOMPARE(Scene().m_nSelected, 1); // an index past the characters: no selection
        QVERIFY(Scene().GetCharacter(Scene().m_nSelected) == nullptr);
        QCOMPARE(Scene().m_nCameraMode, static_cast<int>(CameraPerspective));
        ClickCell(3, 3);
        QCOMPARE(Scene().m_nCameraMode, static_cast<int>(CameraTrack));

        // The lock box locks the character in the scene; beside it, a click only selects.
        Click(QPoint(140, Cell(0, 0).y()));
        QVERIFY(Scene().GetCharacter(0)->m_bLocked);
        QCOMPARE(Rows().m_nSelectedRow, 0);
        Click(QPoint(150, Cell(0, 0).y()));
        QVERIFY(Scene().GetCharacter(0)->m_bLocked);
        Click(QPoint(140, Cell(0, 0).y()));
        QVERIFY(!Scene().GetCharacter(0)->m_bLocked);

        // Below the last row: no row, the frame stays.
        Click(QPoint(300, Cell(4, 0).y()));
        QCOMPARE(Rows().m_nSelectedRow, -1);
        QCOMPARE(Rows().m_nCurrentFrame, 3);

        // A key without fill at frame 60 leaves the frames before it empty.
        QTest::mouseDClick(&Rows(), Qt::LeftButton, Qt::NoModifier, Cell(0, 60));
        Settle();
        QCOMPARE(Rows().m_tracks[0].GetFrameState(59), static_cast<int>(TimeLineEmpty));
        QCOMPARE(Scene().GetCharacterFrameState(0, 60), static_cast<int>(FrameKey));
        QCOMPARE(Scene().GetCharacterFrameState(0, 30), static_cast<int>(FrameEmpty));
    }

    void ScrollsAndMovesToTheFirstAndLastFrame() {
        Import(QStringLiteral("MQA/SharpHair.mqa"));
        ClickLineRight(Rows().HorizontalBar());
        QCOMPARE(Rows().m_nFirstFrame, 5);
        QCOMPARE(Rows().HorizontalBar().value(), 5);
        // Scrolled past frame 0, the cursor line is out of sight.
        QVERIFY(Shown().pixelColor(164, 5) != QColor(Qt::red));

        // The key at frame 100 is the last frame: it ends up in the middle of the view.
        QTest::mouseDClick(&Rows(), Qt::LeftButton, Qt::NoModifier, Cell(0, 40));
        Rows().m_tracks[0].SetFrameState(100, TimeLineKey, FALSE);
        Command(ID_GO_LAST);
        const int visible = (Rows().width() - 160) / 8; // the pane's width
        QCOMPARE(Rows().m_nCurrentFrame, 100);
        QCOMPARE(g_nCurrentFrame, 100);
        QCOMPARE(Rows().m_nFirstFrame, std::max(0, 100 - visible / 2));
        QCOMPARE(Scene().GetCharacter(0)->GetKeyCount(), 101);
        Command(ID_GO_FIRST);
        QCOMPARE(Rows().m_nCurrentFrame, 0);
        QCOMPARE(Rows().m_nFirstFrame, 0);
        QCOMPARE(Scene().m_nRunMode, static_cast<int>(RunEdit));
    }

    // Keys near the end of a movie of the largest frame count take as long as the frames they
    // touch: a second key after a first, a filled key between them, and a filled key on a
    // row whose frames before it are all empty.
    void KeysNearTheEndOfTheLongestMovie() {
        Import(QStringLiteral("MQA/SharpHair.mqa"));
        Scene().m_nFrameCount = MaxFrameCount;
        Document().UpdateAllViews(nullptr, HintFrameCountChanged);
        QTest::keyClick(&Rows().HorizontalBar(), Qt::Key_End);
        const int first = Rows().m_nFirstFrame;
        QVERIFY(first > MaxFrameCount - 200);
        QTest::mouseDClick(&Rows(), Qt::LeftButton, Qt::NoModifier, Cell(0, first + 10));
        QTest::mouseDClick(&Rows(), Qt::LeftButton, Qt::NoModifier, Cell(0, first + 50));
        FrameCommand(0, first + 30, ID_TIMELINE_ADD_KEY_FILL);
        const CCharacter& character = *Scene().GetCharacter(0);
        const auto states = [&](std::initializer_list<int> frames) {
            QString text;
            for (const int frame : frames) {
                text += QString::number(character.GetKeyState(frame)) + u' ';
            }
            return text;
        };
        QCOMPARE(
            states({0, 1, first + 9, first + 10, first + 29, first + 30, first + 31, first + 50}),
            QStringLiteral("1 -1 -1 1 0 1 -1 1 "));
        QCOMPARE(Rows().GetLastFrame(), first + 50);

        Command(ID_GO_FIRST);
        FrameCommand(0, 0, ID_TIMELINE_CLEAR_BETWEEN_KEYS);
        QTest::keyClick(&Rows().HorizontalBar(), Qt::Key_End);
        FrameCommand(0, first + 5, ID_TIMELINE_ADD_KEY_FILL);
        QCOMPARE(states({0, 1, first + 4, first + 5, first + 6}), QStringLiteral("1 0 0 1 -1 "));
    }

    // The export writes from the last frame: the character is active where its row holds a
    // key or an in-between frame, and inactive on its empty frames, the last one included.
    void ExportedActiveFlagsFollowTheRows() {
        Import(QStringLiteral("MQA/SharpHair.mqa"));
        FrameCommand(0, 4, ID_TIMELINE_ADD_KEY_FILL);
        QTest::mouseDClick(&Rows(), Qt::LeftButton, Qt::NoModifier, Cell(0, 7));
        QTest::mouseDClick(&Rows(), Qt::LeftButton, Qt::NoModifier, Cell(3, 10));
        // Inside the timeline, the empty frames after the cursor count as active.
        ClickCell(0, 5);
        QStringList flags;
        for (const CAnimation& key : Scene().GetCharacter(0)->m_keys) {
            flags << QString::number(key.m_bActive);
        }
        QCOMPARE(flags.join(u' '), QStringLiteral("1 1 1 1 1 0 1 1 1 1 1"));
        const QTemporaryDir folder;
        const QString header = folder.filePath(QStringLiteral("movie.h"));
        for (int run = 0; run < 2; ++run) {
            Dialogs().fileAnswers.push_back(header);
            Command(ID_FILE_EXPORT);
            QCOMPARE(Rows().m_nCurrentFrame, 10);
            QCOMPARE(ActiveFlags(header), QStringLiteral("1 1 1 1 1 0 0 1 0 0 0"));
        }
    }
};

SORVENDAL_APP_TEST_MAIN(TimeLinePaneTest)
#include "TimeLinePaneTest.moc"
