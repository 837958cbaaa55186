#include "timeline/CTimeLineCtrl.h"

#include "platform/Mbcs.h"
#include "platform/framework/Cp932Text.h"
#include "platform/framework/MouseFlags.h"
#include "platform/framework/ScrollCodes.h"
#include "timeline/ITimeLineCtrlParent.h"
#include "timeline/TimeLineFrames.h"

#include <QFontMetrics>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr int CaptionCellHeight = 15;
constexpr int FramesPerLine = 5;
constexpr int FramesPerPage = 49;
constexpr int RowsPerLine = 1;
constexpr int RowsPerPage = 2;
constexpr int ShadedFrameStep = 5;
constexpr int NumberedFrameStep = 10;
// The last three rows are the WAV, subtitle and camera rows, which have no lock.
constexpr int FixedRows = 3;

const QColor Shading(245, 245, 245);
const QColor GridGrey(220, 220, 220);
const QColor DarkGrey(100, 100, 100);

// A rectangle from (left, top) up to but not including (right, bottom).
void FillBox(QPainter& dc, int left, int top, int right, int bottom, const QColor& colour) {
    if (right > left && bottom > top) {
        dc.fillRect(left, top, right - left, bottom - top, colour);
    }
}

// A one-pixel outline inside (left, top)-(right, bottom), filled white.
void OutlineBox(QPainter& dc, int left, int top, int right, int bottom, const QColor& pen) {
    FillBox(dc, left, top, right, bottom, pen);
    FillBox(dc, left + 1, top + 1, right - 1, bottom - 1, Qt::white);
}

int Sign(int value) {
    return (value > 0) - (value < 0);
}

// A horizontal or vertical line that leaves out its end point, as a line to a point does.
void DrawLine(QPainter& dc, QPoint from, QPoint to, const QColor& colour) {
    if (from == to) {
        return;
    }
    const QPoint last = to - QPoint(Sign(to.x() - from.x()), Sign(to.y() - from.y()));
    dc.fillRect(QRect(QPoint(std::min(from.x(), last.x()), std::min(from.y(), last.y())),
                      QPoint(std::max(from.x(), last.x()), std::max(from.y(), last.y()))),
                colour);
}

// Height 15 asks for a cell height, ascent plus descent, which the face standing in for the
// Windows one may reach at a smaller em.
QFont CaptionFont() {
    QFont font(QStringLiteral("MS UI Gothic"));
    font.setStyleStrategy(QFont::NoAntialias);
    font.setPixelSize(CaptionCellHeight);
    const int height = QFontMetrics(font).height();
    if (height > 0) {
        font.setPixelSize(
            std::max(1, (CaptionCellHeight * CaptionCellHeight + height / 2) / height));
    }
    return font;
}

int ExtentOf(const QScrollBar& bar) {
    return bar.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &bar);
}

int ScrolledPosition(const QScrollBar& bar, unsigned int code, int first, int position,
                     int lineStep, int pageStep) {
    const std::int64_t from = first;
    switch (code) {
    case SB_LINEUP:
        return static_cast<int>(std::max<std::int64_t>(from - lineStep, bar.minimum()));
    case SB_LINEDOWN:
        return static_cast<int>(std::min<std::int64_t>(from + lineStep, bar.maximum()));
    case SB_PAGEUP:
        return static_cast<int>(std::max<std::int64_t>(from - pageStep, bar.minimum()));
    case SB_PAGEDOWN:
        return static_cast<int>(std::min<std::int64_t>(from + pageStep, bar.maximum()));
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
        return position;
    case SB_TOP:
        return bar.minimum();
    case SB_BOTTOM:
        return bar.maximum();
    default:
        return first;
    }
}

} // namespace

struct CTimeLineCtrl::Viewport {
    int width;
    int height;
    std::int64_t firstFrame;
    std::int64_t lastFrame;
    int firstRow;
    // The visible rows that hold a track.
    int firstTrack;
    int lastTrack;
    // The bottom of the rows area.
    int bottom;

    // A frame far outside the view lands just outside the client area.
    int FrameLeft(std::int64_t frame) const {
        return static_cast<int>(
            std::clamp<std::int64_t>(NameColumnWidth + FrameColumnWidth * (frame - firstFrame),
                                     -FrameColumnWidth, width + FrameColumnWidth));
    }
    int RowTop(int row) const { return HeaderHeight + RowHeight * (row - firstRow); }
};

CTimeLineCtrl::CTimeLineCtrl(ITimeLineCtrlParent& parentHandler, QWidget* parent)
    : QWidget(parent), m_parentHandler(parentHandler),
      m_horizontal(new QScrollBar(Qt::Horizontal, this)),
      m_vertical(new QScrollBar(Qt::Vertical, this)) {
    // The paint covers the whole client area.
    setAttribute(Qt::WA_OpaquePaintEvent);
    for (QScrollBar* bar : {m_horizontal, m_vertical}) {
        bar->installEventFilter(this);
    }
    connect(m_horizontal, &QAbstractSlider::actionTriggered, this, [this](int action) {
        OnHScroll(ScrollCodeOf(action), m_horizontal->sliderPosition());
    });
    connect(m_vertical, &QAbstractSlider::actionTriggered, this,
            [this](int action) { OnVScroll(ScrollCodeOf(action), m_vertical->sliderPosition()); });
}

CTimeLineTrack* CTimeLineCtrl::SelectedTrack() {
    if (m_nSelectedRow < 0 || m_nSelectedRow >= GetTrackCount()) {
        return nullptr;
    }
    return &m_tracks[m_nSelectedRow];
}

BOOL CTimeLineCtrl::SetSelectedFrameState(int state, BOOL fillBefore) {
    CTimeLineTrack* track = SelectedTrack();
    return track ? track->SetFrameState(m_nCurrentFrame, state, fillBefore) : FALSE;
}

void CTimeLineCtrl::DeleteSelectedFrame() {
    if (CTimeLineTrack* track = SelectedTrack()) {
        track->DeleteFrame(m_nCurrentFrame);
        track->TrimTrailingFrames();
    }
}

void CTimeLineCtrl::InsertSelectedFrame() {
    if (CTimeLineTrack* track = SelectedTrack()) {
        track->InsertFrame(m_nCurrentFrame);
    }
}

void CTimeLineCtrl::AddTrack(CTimeLineTrack track) {
    m_tracks.push_back(std::move(track));
}

void CTimeLineCtrl::InsertTrackFirst(CTimeLineTrack track) {
    m_tracks.insert(m_tracks.begin(), std::move(track));
}

void CTimeLineCtrl::DeleteTrack(int index) {
    if (index >= 0 && index < GetTrackCount()) {
        m_tracks.erase(m_tracks.begin() + index);
    }
}

void CTimeLineCtrl::TrimTrailingFrames() {
    for (CTimeLineTrack& track : m_tracks) {
        track.TrimTrailingFrames();
    }
}

int CTimeLineCtrl::GetLastFrame() const {
    int last = 0;
    for (const CTimeLineTrack& track : m_tracks) {
        last = std::max(last, static_cast<int>(track.m_states.size()) - 1);
    }
    return last;
}

void CTimeLineCtrl::UpdateCursor() {
    m_nCursorFrame = std::min(m_nCurrentFrame, GetLastFrame());
}

void CTimeLineCtrl::HitTest(int x, int y) {
    if (y < HeaderHeight) {
        m_nCurrentFrame = TimeLineFrames::Saturated(
            (x - NameColumnWidth + std::int64_t{FrameColumnWidth} * m_nFirstFrame) /
            FrameColumnWidth);
    } else if (y - HeaderHeight >= RowHeight * (GetTrackCount() - m_nFirstRow)) {
        m_nSelectedRow = -1;
    } else {
        m_nSelectedRow = m_nFirstRow + (y - HeaderHeight) / RowHeight;
        if (x >= NameColumnWidth) {
            m_nCurrentFrame = TimeLineFrames::Saturated(std::int64_t{m_nFirstFrame} +
                                                        (x - NameColumnWidth) / FrameColumnWidth);
        } else if (x >= LockBoxLeft && x <= LockBoxRight) {
            // The row exists unless the first row was set below 0.
            if (CTimeLineTrack* track = SelectedTrack()) {
                track->m_bLock = track->m_bLock ? 0 : 1;
            }
        }
    }
    UpdateCursor();
}

void CTimeLineCtrl::UpdateScrollRanges() {
    m_horizontal->setRange(0, TimeLineFrames::Saturated(std::max<std::int64_t>(
                                  1, std::int64_t{m_nFrameCount} -
                                         (width() - NameColumnWidth) / FrameColumnWidth + 3)));
    m_vertical->setRange(0,
                         std::max(1, GetTrackCount() - (height() - HeaderHeight) / RowHeight + 1));
}

void CTimeLineCtrl::OnHScroll(unsigned int code, int position) {
    Scroll(*m_horizontal, m_nFirstFrame, code, position, FramesPerLine, FramesPerPage);
}

void CTimeLineCtrl::OnVScroll(unsigned int code, int position) {
    Scroll(*m_vertical, m_nFirstRow, code, position, RowsPerLine, RowsPerPage);
}

// Setting the value inside the bar's actionTriggered overrides the step the bar has taken.
void CTimeLineCtrl::Scroll(QScrollBar& bar, int& first, unsigned int code, int position,
                           int lineStep, int pageStep) {
    first = ScrolledPosition(bar, code, first, position, lineStep, pageStep);
    bar.setValue(first);
    update();
}

int CTimeLineCtrl::ClientWidth() const {
    return std::max(0, width() - ExtentOf(*m_vertical));
}

int CTimeLineCtrl::ClientHeight() const {
    return std::max(0, height() - ExtentOf(*m_horizontal));
}

void CTimeLineCtrl::PaintInto(QImage& buffer) const {
    const QSize size(ClientWidth(), ClientHeight());
    if (buffer.size() != size) {
        buffer = QImage(size, QImage::Format_RGB32);
    }
    if (size.isEmpty()) {
        return;
    }
    buffer.fill(Qt::white);
    QPainter dc(&buffer);
    Draw(dc, size.width(), size.height());
}

CTimeLineCtrl::Viewport CTimeLineCtrl::ViewportOf(int width, int height) const {
    Viewport view{};
    view.width = width;
    view.height = height;
    view.firstFrame = m_nFirstFrame;
    view.lastFrame = view.firstFrame + (width - NameColumnWidth) / FrameColumnWidth;
    view.firstRow = m_nFirstRow;
    view.firstTrack = std::max(0, m_nFirstRow);
    view.lastTrack =
        std::min(m_nFirstRow + (height - HeaderHeight) / RowHeight, GetTrackCount() - 1);
    view.bottom = std::min(height, RowHeight * (GetTrackCount() - m_nFirstRow + 1));
    return view;
}

void CTimeLineCtrl::Draw(QPainter& dc, int width, int height) const {
    const Viewport view = ViewportOf(width, height);
    const QColor face = palette().color(QPalette::Active, QPalette::Button);
    const QColor highlight = palette().color(QPalette::Active, QPalette::Highlight);
    const int selected = m_nSelectedRow - m_nFirstRow;
    dc.setRenderHint(QPainter::Antialiasing, false);
    dc.setFont(CaptionFont());

    FillBox(dc, 1, 1, NameColumnWidth, view.bottom, face);
    DrawShading(dc, view);
    DrawGrid(dc, view);
    if (selected >= 0) {
        const int top = view.RowTop(m_nSelectedRow);
        FillBox(dc, 1, top + 1, NameColumnWidth, top + RowHeight, highlight);
    }
    DrawFrameNumbers(dc, view);
    DrawCaptions(dc, view);
    DrawLine(dc, {NameColumnWidth, 0}, {NameColumnWidth, height}, DarkGrey);
    for (int row = view.firstTrack; row <= view.lastTrack; ++row) {
        DrawSpans(dc, view, row);
    }
    if (m_nCurrentFrame >= m_nFirstFrame && selected >= 0) {
        const int left = view.FrameLeft(m_nCurrentFrame);
        const int top = view.RowTop(m_nSelectedRow);
        FillBox(dc, left + 1, top + 1, left + FrameColumnWidth, top + RowHeight, highlight);
    }
    for (int row = view.firstTrack; row <= view.lastTrack; ++row) {
        DrawKeyMarks(dc, view, row);
    }
    DrawLockBoxes(dc, view);
    DrawCursor(dc, view);
}

// A light column every five frames, up to the frame count.
void CTimeLineCtrl::DrawShading(QPainter& dc, const Viewport& view) const {
    TimeLineFrames::ForEveryNth(
        ShadedFrameStep, view.firstFrame, std::min<std::int64_t>(m_nFrameCount, view.lastFrame),
        [&](std::int64_t frame) {
            const int left = view.FrameLeft(frame);
            FillBox(dc, left + 1, HeaderHeight, left + FrameColumnWidth, view.bottom, Shading);
        });
}

// The column lines of the rows area, and the header's and every visible row's bottom line.
void CTimeLineCtrl::DrawGrid(QPainter& dc, const Viewport& view) const {
    for (int k = 1; k <= (view.width - NameColumnWidth) / FrameColumnWidth; ++k) {
        const int x = NameColumnWidth + FrameColumnWidth * k;
        DrawLine(dc, {x, HeaderHeight}, {x, view.bottom}, GridGrey);
    }
    const int lastLine = std::min(
        {CaptionedRows, GetTrackCount(), view.firstRow + (view.height - HeaderHeight) / RowHeight});
    for (int row = view.firstRow; row <= lastLine; ++row) {
        const int y = std::min(view.height, view.RowTop(row));
        DrawLine(dc, {0, y}, {view.width, y}, GridGrey);
    }
}

void CTimeLineCtrl::DrawFrameNumbers(QPainter& dc, const Viewport& view) const {
    dc.setPen(DarkGrey);
    TimeLineFrames::ForEveryNth(
        NumberedFrameStep, view.firstFrame, std::min<std::int64_t>(m_nFrameCount, view.lastFrame),
        [&](std::int64_t frame) {
            dc.drawText(QPoint(view.FrameLeft(frame), 1 + dc.fontMetrics().ascent()),
                        QString::number(frame));
        });
}

void CTimeLineCtrl::DrawCaptions(QPainter& dc, const Viewport& view) const {
    dc.setPen(Qt::black);
    const int last = std::min(view.lastTrack, CaptionedRows - 1);
    for (int row = view.firstTrack; row <= last; ++row) {
        dc.drawText(QPoint(1, view.RowTop(row) + 1 + dc.fontMetrics().ascent()),
                    Cp932Text::ToQString(m_tracks[row].m_strName));
    }
}

// An outline on the grid lines around each span's cells, open to the right when the span
// runs on past the last visible frame.
void CTimeLineCtrl::DrawSpans(QPainter& dc, const Viewport& view, int row) const {
    const std::vector<std::int32_t>& states = m_tracks[row].m_states;
    const int top = view.RowTop(row);
    auto key = std::find_if(states.begin(), states.end(), IsTimeLineKey);
    while (key != states.end()) {
        const int start = static_cast<int>(key - states.begin());
        if (start > view.lastFrame) {
            return;
        }
        const auto empty = std::find(key, states.end(), TimeLineEmpty);
        const int end = static_cast<int>(empty - states.begin());
        if (end >= view.firstFrame) {
            const bool fromLeft = start < view.firstFrame;
            const int left = fromLeft ? NameColumnWidth : view.FrameLeft(start);
            const int right = end > view.lastFrame && !fromLeft ? view.width + FrameColumnWidth
                                                                : view.FrameLeft(end) + 1;
            OutlineBox(dc, left, top, right, top + RowHeight + 1, DarkGrey);
        }
        key = empty == states.end() ? empty : std::find_if(empty + 1, states.end(), IsTimeLineKey);
    }
}

// A hollow 5 x 9 box for a key, a filled one for a key with content.
void CTimeLineCtrl::DrawKeyMarks(QPainter& dc, const Viewport& view, int row) const {
    const std::vector<std::int32_t>& states = m_tracks[row].m_states;
    const std::int64_t last =
        std::min<std::int64_t>(view.lastFrame, static_cast<std::int64_t>(states.size()) - 1);
    const int top = view.RowTop(row) + 10;
    for (std::int64_t frame = std::max<std::int64_t>(0, view.firstFrame); frame <= last; ++frame) {
        const int left = view.FrameLeft(frame) + 2;
        if (states[frame] == TimeLineKey) {
            OutlineBox(dc, left, top, left + 5, top + 9, DarkGrey);
        } else if (states[frame] == TimeLineContentKey) {
            FillBox(dc, left, top, left + 5, top + 9, Qt::black);
        }
    }
}

void CTimeLineCtrl::DrawLockBoxes(QPainter& dc, const Viewport& view) const {
    const int last = std::min({view.lastTrack, CaptionedRows - 1, GetTrackCount() - FixedRows - 1});
    for (int row = view.firstTrack; row <= last; ++row) {
        const int top = view.RowTop(row) + 5;
        if (m_tracks[row].m_bLock) {
            FillBox(dc, LockBoxLeft, top, LockBoxRight + 1, top + 11, Qt::black);
        } else {
            OutlineBox(dc, LockBoxLeft, top, LockBoxRight + 1, top + 11, DarkGrey);
        }
    }
}

void CTimeLineCtrl::DrawCursor(QPainter& dc, const Viewport& view) const {
    const int x = view.FrameLeft(m_nCursorFrame) + FrameColumnWidth / 2;
    if (m_nCursorFrame >= 0 && x > NameColumnWidth) {
        DrawLine(dc, {x, 0}, {x, view.height}, Qt::red);
    }
}

void CTimeLineCtrl::paintEvent(QPaintEvent*) {
    PaintInto(m_buffer);
    QPainter painter(this);
    painter.drawImage(0, 0, m_buffer);
    // The corner between the two scroll bars.
    const int clientWidth = ClientWidth();
    const int clientHeight = ClientHeight();
    painter.fillRect(clientWidth, clientHeight, width() - clientWidth, height() - clientHeight,
                     palette().color(QPalette::Active, QPalette::Button));
}

void CTimeLineCtrl::resizeEvent(QResizeEvent*) {
    const int clientWidth = ClientWidth();
    const int clientHeight = ClientHeight();
    m_vertical->setGeometry(clientWidth, 0, width() - clientWidth, clientHeight);
    m_horizontal->setGeometry(0, clientHeight, clientWidth, height() - clientHeight);
    UpdateScrollRanges();
}

bool CTimeLineCtrl::HitTestClick(const QMouseEvent& event) {
    const QPoint point = event.position().toPoint();
    const bool handled = event.button() == Qt::LeftButton || event.button() == Qt::MiddleButton ||
                         event.button() == Qt::RightButton;
    if (!handled || !QRect(0, 0, ClientWidth(), ClientHeight()).contains(point)) {
        return false;
    }
    HitTest(point.x(), point.y());
    return true;
}

void CTimeLineCtrl::mousePressEvent(QMouseEvent* event) {
    if (!HitTestClick(*event)) {
        return;
    }
    const QPoint point = event->position().toPoint();
    if (event->button() == Qt::RightButton) {
        // The parent opens a modal context menu: paint the new selection before it.
        repaint();
        m_parentHandler.OnRButtonDown(MouseFlags(*event), point);
        return;
    }
    if (event->button() == Qt::LeftButton) {
        m_parentHandler.OnLButtonDown(MouseFlags(*event), point);
    }
    update();
}

void CTimeLineCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
    if (!HitTestClick(*event)) {
        return;
    }
    if (event->button() == Qt::LeftButton) {
        m_parentHandler.OnLButtonDblClk(MouseFlags(*event), event->position().toPoint());
    }
    update();
}

void CTimeLineCtrl::wheelEvent(QWheelEvent* event) {
    event->accept();
}

bool CTimeLineCtrl::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Wheel) {
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
