#pragma once

// The tutorial balloon: a speech balloon that points with the tip of its tail at the
// control to use next and tells in a few lines what to do. It walks a new user through a
// sample scene in eleven steps; each step is advanced by the handler of the action that the
// text before asked for, and only from the step that expects it.

#include "platform/WinTypes.h"

#include <QPoint>
#include <QPolygon>
#include <QSize>
#include <QWidget>

#include <string>
#include <vector>

// 0 not started, 1 to 11 waiting for the user's next action, 12 finished.
extern int g_nTutorialStep;
constexpr int TutorialFinished = 12;

// A pane's top-left corner in the main frame's coordinates.
QPoint GetOriginInFrame(const QWidget& pane);

class CTutorialDlg : public QWidget {
public:
    explicit CTutorialDlg(QWidget* parent);

    // Shows the balloon with its tip at (x, y) of the main frame, with the text (code page
    // 932) split into lines at "\n".
    void ShowStep(int x, int y, const std::string& text);
    // Puts the balloon back under its tip point, after the main frame moved.
    void Reposition();
    void SetText(const std::string& text);
    // From the step `expected`, moves to the next and shows its text at `tip`; false at any
    // other step.
    bool Advance(int expected, QPoint tip);
    // Hides the balloon for good when the tutorial's last step is done.
    bool Finish(int expected);
    // The balloon's width and height for the current lines.
    QSize BalloonSize() const;

    QPolygon m_ptBalloon{8};
    std::vector<std::string> m_lines;
    int m_nFrameWidth = 1;
    COLORREF m_crFill = RGB(255, 250, 230);
    int m_nFontSize = 12;
    COLORREF m_crText = RGB(0, 0, 0);
    std::string m_strFace;
    int m_nTextX = 0;
    int m_nTextY = 0;
    int m_x = 0;
    int m_y = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    // Where the balloon goes on the screen: its tip on (m_x, m_y) of the main frame.
    QPoint ScreenPosition() const;
    // Shows the balloon above the main window, or as soon as the main window is on the
    // screen.
    void ShowAboveFrame();

    // A step came before the main window was on the screen.
    bool m_bShowWhenFrameExposed = false;

    // Where the pointer took hold of the balloon, while it is dragged.
    QPoint m_dragOffset;
};
