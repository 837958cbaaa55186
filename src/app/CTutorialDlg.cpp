#include "app/CTutorialDlg.h"

#include "app/Resource.h"
#include "platform/Mbcs.h"
#include "platform/framework/Cp932Text.h"
#include "platform/framework/Resources.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

#include <algorithm>

int g_nTutorialStep = 0;

namespace {

constexpr int ScreenDpi = 96;
constexpr int PointsPerInch = 72;

QColor ColorOf(COLORREF colour) {
    return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

// The pixels of the region within `width` of its edge, as a frame drawn around a region.
QRegion Border(const QRegion& region, int width) {
    QRegion inside = region;
    for (const QPoint& step :
         {QPoint(width, 0), QPoint(-width, 0), QPoint(0, width), QPoint(0, -width)}) {
        inside &= region.translated(step);
    }
    return region - inside;
}

} // namespace

QPoint GetOriginInFrame(const QWidget& pane) {
    return pane.mapTo(pane.window(), QPoint(0, 0));
}

CTutorialDlg::CTutorialDlg(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus),
      m_lines{Cp932Text::FromQString(Resources::LoadString(IDS_TUTORIAL_TITLE))},
      m_strFace(Cp932Text::FromQString(QStringLiteral(u"ＭＳ ゴシック"))) {
    // The balloon never takes the keyboard from the main window.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    if (parent != nullptr) {
        parent->installEventFilter(this);
    }
}

void CTutorialDlg::SetText(const std::string& text) {
    m_lines.clear();
    std::size_t start = 0;
    for (std::size_t end = Mbcs::Find(text, "\n", start); end != std::string::npos;
         end = Mbcs::Find(text, "\n", start)) {
        m_lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    m_lines.push_back(text.substr(start));
}

QSize CTutorialDlg::BalloonSize() const {
    const int height = (m_nFontSize + 7) * static_cast<int>(m_lines.size()) + 40;
    int width = 0;
    for (const std::string& line : m_lines) {
        const float bytes = static_cast<float>(line.size());
        width = std::max(width, static_cast<int>(bytes * static_cast<float>(m_nFontSize) * 0.8f));
    }
    return QSize(width, height);
}

void CTutorialDlg::ShowStep(int x, int y, const std::string& text) {
    m_x = x;
    m_y = y;
    SetText(text);
    const QSize size = BalloonSize();
    const int w = size.width();
    const int h = size.height();
    m_ptBalloon = QPolygon({QPoint(0, 0), QPoint(40, 30), QPoint(w, 30), QPoint(w, h), QPoint(0, h),
                            QPoint(0, 30), QPoint(20, 30), QPoint(0, 0)});
    setMask(QRegion(m_ptBalloon, Qt::OddEvenFill));
    setGeometry(QRect(ScreenPosition(), size));
    ShowAboveFrame();
    m_nTextX = 5;
    m_nTextY = 35;
    update();
}

void CTutorialDlg::Reposition() {
    setGeometry(QRect(ScreenPosition(), BalloonSize()));
}

bool CTutorialDlg::Advance(int expected, QPoint tip) {
    if (g_nTutorialStep != expected) {
        return false;
    }
    g_nTutorialStep = expected + 1;
    ShowStep(tip.x(), tip.y(),
             Cp932Text::FromQString(
                 Resources::LoadString(IDS_TUTORIAL_STEP_FIRST + static_cast<UINT>(expected))));
    return true;
}

bool CTutorialDlg::Finish(int expected) {
    if (g_nTutorialStep != expected) {
        return false;
    }
    g_nTutorialStep = expected + 1;
    m_bShowWhenFrameExposed = false;
    hide();
    return true;
}

QPoint CTutorialDlg::ScreenPosition() const {
    const QWidget* frame = parentWidget();
    return frame != nullptr ? frame->mapToGlobal(QPoint(m_x, m_y)) : QPoint(m_x, m_y);
}

// A window manager keeps the balloon above the main window as the window's transient, but
// learns that only when the main window is on the screen as the balloon appears: until then
// the balloon waits for it. Each step raises it, above whatever came over it meanwhile.
void CTutorialDlg::ShowAboveFrame() {
    const QWidget* frame = parentWidget();
    const QWindow* frameWindow = frame != nullptr ? frame->windowHandle() : nullptr;
    m_bShowWhenFrameExposed =
        frame != nullptr && (frameWindow == nullptr || !frameWindow->isExposed());
    if (m_bShowWhenFrameExposed) {
        return;
    }
    show();
    raise();
}

bool CTutorialDlg::eventFilter(QObject* watched, QEvent* event) {
    QWidget* frame = parentWidget();
    if (watched == frame && event->type() == QEvent::Show) {
        // The main window's own window exists from its first show on.
        frame->windowHandle()->installEventFilter(this);
    } else if (frame != nullptr && watched == frame->windowHandle() &&
               event->type() == QEvent::Expose && m_bShowWhenFrameExposed &&
               frame->windowHandle()->isExposed()) {
        ShowAboveFrame();
    }
    return QWidget::eventFilter(watched, event);
}

void CTutorialDlg::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRegion balloon(m_ptBalloon, Qt::OddEvenFill);
    painter.setClipRegion(balloon);
    painter.fillRect(rect(), ColorOf(m_crFill));
    painter.setClipRegion(Border(balloon, m_nFrameWidth));
    painter.fillRect(rect(), Qt::black);
    painter.setClipping(false);
    QFont font(Cp932Text::ToQString(m_strFace));
    font.setPixelSize(m_nFontSize * ScreenDpi / PointsPerInch);
    painter.setFont(font);
    painter.setPen(ColorOf(m_crText));
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        const int top = m_nTextY + static_cast<int>(i) * (m_nFontSize + 7);
        painter.drawText(QRect(m_nTextX, top, width(), height()), Qt::AlignLeft | Qt::AlignTop,
                         Cp932Text::ToQString(m_lines[i]));
    }
}

// Any point of the balloon takes hold of it, as a caption does.
void CTutorialDlg::mousePressEvent(QMouseEvent* event) {
    m_dragOffset = event->globalPosition().toPoint() - pos();
}

void CTutorialDlg::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton) {
        move(event->globalPosition().toPoint() - m_dragOffset);
    }
}
