#pragma once

// The timeline control: a name column, a header of frame numbers and one row per track with
// its spans, key marks and lock box, the selected row and current cell highlighted, and a
// red line at the cursor frame, with a horizontal scroll bar over the frames and a vertical
// one over the rows. It keeps the rows, the selection and the scroll position and knows
// nothing of the scene: every click is hit-tested here and then sent on to the parent.
//
// The client area is the widget less its two scroll bars, at the right and the bottom; all
// coordinates below are client coordinates.

#include "timeline/CTimeLineTrack.h"

#include <QImage>
#include <QWidget>

#include <vector>

class ITimeLineCtrlParent;
class QPainter;
class QScrollBar;

class CTimeLineCtrl : public QWidget {
public:
    // Layout of the client area, in pixels.
    static constexpr int NameColumnWidth = 160;
    static constexpr int FrameColumnWidth = 8;
    static constexpr int HeaderHeight = 20;
    static constexpr int RowHeight = 20;
    // Rows with an index below this get a caption and a lock box.
    static constexpr int CaptionedRows = 200;
    static constexpr int LockBoxLeft = 138;
    static constexpr int LockBoxRight = 148;

    CTimeLineCtrl(ITimeLineCtrlParent& parentHandler, QWidget* parent);

    // Edits of the selected row at the current frame; nothing without a valid row.
    BOOL SetSelectedFrameState(int state, BOOL fillBefore);
    void DeleteSelectedFrame();
    void InsertSelectedFrame();

    // Rows.
    void AddTrack(CTimeLineTrack track);
    void InsertTrackFirst(CTimeLineTrack track);
    void DeleteTrack(int index);
    int GetTrackCount() const { return static_cast<int>(m_tracks.size()); }
    void TrimTrailingFrames();

    // max(0, largest row length - 1); 0 without rows.
    int GetLastFrame() const;
    // The cursor frame: the current frame, but never past the last frame.
    void UpdateCursor();
    void HitTest(int x, int y);
    void UpdateScrollRanges();
    void OnHScroll(unsigned int code, int position);
    void OnVScroll(unsigned int code, int position);

    // The client area's size: the widget less its scroll bars.
    int ClientWidth() const;
    int ClientHeight() const;
    QScrollBar& HorizontalBar() const { return *m_horizontal; }
    QScrollBar& VerticalBar() const { return *m_vertical; }

    // The double-buffered paint: the client area filled white, then drawn, into the buffer.
    void PaintInto(QImage& buffer) const;
    // Draws the timeline of a client area of width x height onto a white surface.
    void Draw(QPainter& dc, int width, int height) const;

    int m_nCurrentFrame = -1;
    int m_nSelectedRow = -1;
    int m_nFirstFrame = 0;
    int m_nFirstRow = 0;
    std::vector<CTimeLineTrack> m_tracks;
    int m_nFrameCount = 900;
    int m_nCursorFrame = 0;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    // The visible part of the timeline in a client area.
    struct Viewport;

    Viewport ViewportOf(int width, int height) const;
    CTimeLineTrack* SelectedTrack();
    void Scroll(QScrollBar& bar, int& first, unsigned int code, int position, int lineStep,
                int pageStep);
    // Hit-tests a left, middle or right click inside the client area; false for any other.
    bool HitTestClick(const QMouseEvent& event);
    // The scroll bars do not scroll on the wheel either.
    bool eventFilter(QObject* watched, QEvent* event) override;

    void DrawShading(QPainter& dc, const Viewport& view) const;
    void DrawGrid(QPainter& dc, const Viewport& view) const;
    void DrawFrameNumbers(QPainter& dc, const Viewport& view) const;
    void DrawCaptions(QPainter& dc, const Viewport& view) const;
    void DrawSpans(QPainter& dc, const Viewport& view, int row) const;
    void DrawKeyMarks(QPainter& dc, const Viewport& view, int row) const;
    void DrawLockBoxes(QPainter& dc, const Viewport& view) const;
    void DrawCursor(QPainter& dc, const Viewport& view) const;

    ITimeLineCtrlParent& m_parentHandler;
    QScrollBar* m_horizontal;
    QScrollBar* m_vertical;
    QImage m_buffer;
};
