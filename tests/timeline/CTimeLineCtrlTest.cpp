#include "timeline/CTimeLineCtrl.h"

#include "TrackStates.h"

#include "platform/Mbcs.h"
#include "platform/framework/ScrollCodes.h"
#include "timeline/ITimeLineCtrlParent.h"
#include "timeline/TimeLineFrames.h"

#include <QApplication>
#include <QFont>
#include <QMouseEvent>
#include <QScrollBar>

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr int IntMax = std::numeric_limits<int>::max();

const QColor Face(200, 190, 180);
const QColor Highlight(0, 80, 160);
const QColor Dark(100, 100, 100);
const QColor Grid(220, 220, 220);
const QColor Shade(245, 245, 245);
const QColor White(Qt::white);
const QColor Black(Qt::black);
const QColor Red(Qt::red);

// Records each call with the selection the control had made when it called.
class RecordingParent : public ITimeLineCtrlParent {
public:
    void OnLButtonDown(unsigned int flags, QPoint point) override { Record("L", flags, point); }
    void OnLButtonDblClk(unsigned int flags, QPoint point) override { Record("LL", flags, point); }
    void OnRButtonDown(unsigned int flags, QPoint point) override { Record("R", flags, point); }

    const CTimeLineCtrl* control = nullptr;
    std::vector<std::string> calls;

private:
    void Record(const char* handler, unsigned int flags, QPoint point) {
        calls.push_back(QString::asprintf("%s %u (%d,%d) row %d frame %d", handler, flags,
                                          point.x(), point.y(), control->m_nSelectedRow,
                                          control->m_nCurrentFrame)
                            .toStdString());
    }
};

class CTimeLineCtrlTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        QFont::insertSubstitution(QStringLiteral("MS UI Gothic"), QStringLiteral("IPAPGothic"));
    }

    CTimeLineCtrlTest() {
        QPalette palette = control.palette();
        palette.setColor(QPalette::Button, Face);
        palette.setColor(QPalette::Highlight, Highlight);
        control.setPalette(palette);
        parent.control = &control;
        control.show();
    }

    void SetClientSize(int width, int height) {
        control.resize(width + control.width() - control.ClientWidth(),
                       height + control.height() - control.ClientHeight());
    }

    // Unlocked character rows of the given states, then the three fixed rows, locked.
    void AddRows(const std::vector<States>& characters) {
        for (const States& states : characters) {
            control.AddTrack(CTimeLineTrack("chara"));
            control.m_tracks.back().m_states = states;
        }
        for (const char* name : {"WAVサウンド", "字幕", "カメラ"}) {
            control.AddTrack(CTimeLineTrack(Mbcs::FromUtf8(name).value()));
            control.m_tracks.back().m_bLock = 1;
        }
    }

    void ExpectPixels(const QColor& colour, const std::vector<QPoint>& points) const {
        for (const QPoint& point : points) {
            EXPECT_EQ(image.pixelColor(point), colour) << "at " << point.x() << "," << point.y();
        }
    }

    bool Contains(const QRect& area, const QColor& colour) const {
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x) {
                if (image.pixelColor(x, y) == colour) {
                    return true;
                }
            }
        }
        return false;
    }

    void Click(QEvent::Type type, Qt::MouseButton button, QPoint point,
               Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QMouseEvent event(type, point, control.mapToGlobal(point), button, button, modifiers);
        QApplication::sendEvent(&control, &event);
    }

    RecordingParent parent;
    CTimeLineCtrl control{parent, nullptr};
    QImage image;
};

TEST_F(CTimeLineCtrlTest, PaintsRowsSpansKeysLocksHighlightAndCursor) {
    States first = {K, I, I, C, I, E, E, K};
    first.resize(41, I); // the second span runs past the last visible frame, 40
    States second = {E, E, K};
    second.resize(15, I);
    AddRows({first, second});
    control.m_tracks[0].m_bLock = 1;
    control.m_nFrameCount = 20;
    control.m_nSelectedRow = 1;
    control.m_nCurrentFrame = 4;
    control.UpdateCursor();
    SetClientSize(480, 200);
    control.PaintInto(image);

    // Key boxes at frames 0 (hollow) and 3 (solid), with white around them, and at frame 2
    // of the short second row.
    ExpectPixels(Dark, {{162, 30}, {166, 38}, {178, 50}});
    ExpectPixels(Black, {{186, 30}, {190, 38}});
    ExpectPixels(White, {{164, 34}, {164, 39}, {191, 34}});
    // Spans on the grid lines around their cells, the second one open to the right.
    ExpectPixels(Dark,
                 {{170, 20}, {170, 40}, {200, 30}, {216, 30}, {479, 20}, {176, 50}, {280, 50}});
    ExpectPixels(White, {{479, 30}});
    // Lock boxes, locked and not; none on the WAV and camera rows.
    ExpectPixels(Black, {{138, 25}, {148, 35}});
    ExpectPixels(Dark, {{138, 45}, {148, 55}});
    ExpectPixels(White, {{143, 50}});
    ExpectPixels(Face, {{149, 30}, {143, 70}, {143, 110}, {1, 1}});
    // The current cell and the selected name cell, above the row's bottom line.
    ExpectPixels(Highlight, {{194, 45}, {100, 58}});
    // Frame 5 shaded down to the rows' bottom line, but not frame 25 past the frame count.
    ExpectPixels(Shade, {{201, 30}, {204, 70}});
    ExpectPixels(Grid, {{100, 60}, {168, 119}, {168, 120}});
    ExpectPixels(White, {{364, 70}, {204, 130}, {168, 121}, {0, 10}});
    // The separator and the cursor at frame 4.
    ExpectPixels(Dark, {{160, 0}, {160, 199}});
    ExpectPixels(Red, {{196, 0}, {196, 199}});
    EXPECT_TRUE(Contains({1, 21, 100, 16}, Black)) << "caption";
    EXPECT_TRUE(Contains({320, 1, 16, 16}, Dark)) << "frame number 20";
    EXPECT_FALSE(Contains({400, 1, 16, 16}, Dark)) << "no number past the frame count";

    control.m_nFirstFrame = 10;
    control.m_nFirstRow = 1;
    control.m_nCurrentFrame = 9;
    control.UpdateCursor();
    control.PaintInto(image);
    // Row 1 on top: its span from frame 2 starts at the name column, over the header's bottom
    // line; its name cell is selected and its lock box open.
    ExpectPixels(Dark, {{161, 20}, {200, 30}, {138, 25}});
    ExpectPixels(Grid, {{140, 20}});
    ExpectPixels(Highlight, {{100, 38}});
    EXPECT_FALSE(Contains(image.rect(), Red)) << "cursor left of the frames";
}

TEST_F(CTimeLineCtrlTest, HitTestSetsFrameRowAndLock) {
    struct Case {
        int firstFrame, firstRow, x, y;
        int frame, row, cursor;
        std::uint8_t lock;
    };
    const Case cases[] = {
        {0, 0, 200, 5, 5, 1, 5, 0},     // header: frame only
        {0, 0, 100, 5, -7, 1, -7, 0},   // header left of the frames
        {10, 0, 150, 19, 8, 1, 8, 0},   // header, scrolled
        {10, 0, 165, 25, 10, 0, 10, 0}, // frame cell, scrolled
        {0, 1, 170, 25, 1, 1, 1, 0},    // frame cell of a scrolled row
        {0, 0, 400, 119, 30, 4, 19, 0}, // past the last frame: the cursor stops there
        {0, 0, 170, 120, 3, -1, 3, 0},  // below the last row
        {0, 2, 170, 80, 3, -1, 3, 0},   // below the last row, scrolled
        {0, 0, 138, 59, 3, 1, 3, 1},    // lock box column, anywhere in the row
        {0, 0, 148, 41, 3, 1, 3, 1},    // its right edge
        {0, 0, 150, 45, 3, 1, 3, 0},    // name cell: select only
        // Past the last frame that an int holds: the frame stops there.
        {IntMax - 10, 0, 479, 5, IntMax, 1, 19, 0},
    };
    AddRows({States(20, K), States(20, K)});
    for (const Case& c : cases) {
        control.m_nFirstFrame = c.firstFrame;
        control.m_nFirstRow = c.firstRow;
        control.m_nCurrentFrame = 3;
        control.m_nSelectedRow = 1;
        control.m_tracks[1].m_bLock = 0;

        control.HitTest(c.x, c.y);

        SCOPED_TRACE(testing::Message() << "click at " << c.x << "," << c.y);
        EXPECT_EQ(control.m_nCurrentFrame, c.frame);
        EXPECT_EQ(control.m_nSelectedRow, c.row);
        EXPECT_EQ(control.m_nCursorFrame, c.cursor);
        EXPECT_EQ(control.m_tracks[1].m_bLock, c.lock);
    }
}

TEST_F(CTimeLineCtrlTest, ClicksAreHitTestedBeforeTheParentHears) {
    AddRows({States(20, K)});
    SetClientSize(400, 200);
    Click(QEvent::MouseButtonPress, Qt::LeftButton, {177, 25}, Qt::ShiftModifier);
    Click(QEvent::MouseButtonDblClick, Qt::LeftButton, {185, 45});
    Click(QEvent::MouseButtonPress, Qt::RightButton, {193, 65}, Qt::ControlModifier);
    Click(QEvent::MouseButtonDblClick, Qt::RightButton, {201, 25});
    Click(QEvent::MouseButtonPress, Qt::MiddleButton, {209, 45});
    Click(QEvent::MouseButtonPress, Qt::LeftButton, {405, 205}); // the corner between the bars

    // Flags: MK_LBUTTON | MK_SHIFT is 5, MK_RBUTTON | MK_CONTROL is 10.
    EXPECT_EQ(parent.calls,
              (std::vector<std::string>{"L 5 (177,25) row 0 frame 2", "LL 1 (185,45) row 1 frame 3",
                                        "R 10 (193,65) row 2 frame 4"}));
    EXPECT_EQ(control.m_nSelectedRow, 1) << "the middle click was hit-tested";
    EXPECT_EQ(control.m_nCurrentFrame, 6);
}

TEST_F(CTimeLineCtrlTest, ScrollingStepsWithinTheRangesOfTheOuterSize) {
    AddRows(std::vector<States>(27));
    control.resize(400, 140);
    EXPECT_EQ(control.HorizontalBar().maximum(), 873);
    EXPECT_EQ(control.VerticalBar().maximum(), 25);
    struct Case {
        bool horizontal;
        unsigned int code;
        int position, from, to;
    };
    const Case cases[] = {
        {true, SB_LINERIGHT, 0, 0, 5},   {true, SB_LINELEFT, 0, 3, 0},
        {true, SB_PAGERIGHT, 0, 0, 49},  {true, SB_PAGERIGHT, 0, 850, 873},
        {true, SB_PAGELEFT, 0, 30, 0},   {true, SB_THUMBTRACK, 300, 0, 300},
        {true, SB_RIGHT, 0, 40, 873},    {true, SB_LEFT, 0, 40, 0},
        {true, SB_ENDSCROLL, 0, 40, 40}, {false, SB_LINEDOWN, 0, 0, 1},
        {false, SB_LINEUP, 0, 0, 0},     {false, SB_PAGEDOWN, 0, 24, 25},
        {false, SB_PAGEUP, 0, 5, 3},     {false, SB_BOTTOM, 0, 3, 25},
    };
    for (const Case& c : cases) {
        int& first = c.horizontal ? control.m_nFirstFrame : control.m_nFirstRow;
        first = c.from;
        c.horizontal ? control.OnHScroll(c.code, c.position)
                     : control.OnVScroll(c.code, c.position);
        EXPECT_EQ(first, c.to) << (c.horizontal ? "frames" : "rows") << ", code " << c.code
                               << " from " << c.from;
        EXPECT_EQ((c.horizontal ? control.HorizontalBar() : control.VerticalBar()).value(), c.to);
    }

    // The bars' own actions take the same steps.
    control.m_nFirstFrame = 0;
    control.HorizontalBar().triggerAction(QAbstractSlider::SliderSingleStepAdd);
    control.HorizontalBar().triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(control.m_nFirstFrame, 54);
    control.HorizontalBar().setSliderPosition(100);
    EXPECT_EQ(control.m_nFirstFrame, 100);

    // Ranges never fall below 1, and narrow windows truncate toward zero; the position stays.
    control.m_tracks.resize(3, CTimeLineTrack("row"));
    control.m_nFrameCount = 0;
    control.resize(100, 10);
    EXPECT_EQ(control.HorizontalBar().maximum(), 10);
    EXPECT_EQ(control.VerticalBar().maximum(), 4);
    control.resize(1000, 500);
    EXPECT_EQ(control.HorizontalBar().maximum(), 1);
    EXPECT_EQ(control.VerticalBar().maximum(), 1);
    EXPECT_EQ(control.m_nFirstFrame, 100);
    control.m_nFrameCount = IntMax;
    control.resize(100, 10);
    EXPECT_EQ(control.HorizontalBar().maximum(), IntMax);
}

// The thumb at the far right of the largest count, then one step left: the paint ends, with
// the numbers of the last frames in the header.
TEST_F(CTimeLineCtrlTest, LargestCountScrollsAndPaintsToItsEnd) {
    AddRows({States(20, K)});
    control.m_nFrameCount = IntMax;
    SetClientSize(480, 200);
    control.OnHScroll(SB_RIGHT, 0);
    control.OnHScroll(SB_LINELEFT, 0);
    control.PaintInto(image);
    EXPECT_TRUE(Contains({161, 1, 319, 16}, Dark)) << "frame numbers";
}

TEST(TimeLineFramesTest, StepsStopAtTheLastFrameOfInt) {
    std::vector<std::int64_t> frames;
    TimeLineFrames::ForEveryNth(10, IntMax - 25, IntMax, [&frames](std::int64_t frame) {
        frames.push_back(frame);
        if (frames.size() > 2) {
            throw std::length_error("a step wrapped past the last frame");
        }
    });
    EXPECT_EQ(frames, (std::vector<std::int64_t>{2147483630, 2147483640}));
}

TEST_F(CTimeLineCtrlTest, EditsActOnTheSelectedRowAtTheCurrentFrame) {
    control.m_nCurrentFrame = 5;
    control.UpdateCursor();
    EXPECT_EQ(control.m_nCursorFrame, 0) << "no rows";

    AddRows({{}});
    control.m_nCurrentFrame = 3;
    for (const int row : {-1, 4}) {
        control.m_nSelectedRow = row;
        EXPECT_EQ(control.SetSelectedFrameState(TimeLineKey, TRUE), FALSE);
        control.InsertSelectedFrame();
        control.DeleteSelectedFrame();
    }
    EXPECT_EQ(control.GetLastFrame(), 0);

    control.m_nSelectedRow = 3;
    EXPECT_EQ(control.SetSelectedFrameState(TimeLineKey, TRUE), TRUE);
    control.InsertSelectedFrame();
    EXPECT_EQ(control.m_tracks[3].m_states, (States{K, I, I, I, K}));
    control.m_nCurrentFrame = 4;
    control.DeleteSelectedFrame(); // the span it closed is emptied, then trimmed away
    EXPECT_EQ(control.m_tracks[3].m_states, (States{K}));
}

} // namespace
