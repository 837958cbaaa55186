#pragma once

// The main window: the timeline pane across the top, and below it the property form at the
// left and the 3D view taking the rest, in two static splitters; the toolbar with its
// Japanese labels, the status bar, and the six camera presets that turn the free
// perspective camera to a fixed side.

#include "app/CSmartSplitterWnd.h"
#include "platform/framework/CFrameWnd.h"
#include "platform/framework/CStatusBar.h"
#include "platform/framework/CToolBar.h"

#include <QPoint>

class CPropertyView;
class CTutorialDlg;
class CSorvendalView;
class CTimeLineView;

class CMainFrame : public CFrameWnd {
public:
    static constexpr int TimeLineHeight = 150;
    static constexpr int PropertyFormWidth = 300;

    CMainFrame();
    ~CMainFrame() override;

    bool OnCreateClient(CDocument* document) override;
    int OnCreate() override;
    void SetToolBarLabels();
    // A point on a toolbar button, in the frame's client coordinates.
    QPoint GetToolBarButtonPoint(int index) const;

    void OnCameraLeft();
    void OnCameraRight();
    void OnCameraTop();
    void OnCameraBottom();
    void OnCameraFront();
    void OnCameraBack();
    void OnMove();

    CToolBar& GetToolBar() { return m_wndToolBar; }
    CStatusBar& GetStatusBar() { return m_wndStatusBar; }
    CSmartSplitterWnd& GetInnerSplitter() { return m_wndSplitter2; }

    CTimeLineView* m_pTimeLineView = nullptr;
    CSorvendalView* m_pView = nullptr;
    CPropertyView* m_pPropertyView = nullptr;
    CTutorialDlg* m_pTutorial = nullptr;

protected:
    void moveEvent(QMoveEvent* event) override;

private:
    // Turns the perspective camera: its position keeps the viewing distance, and its
    // height unless `keepHeight` is false; the rotation is in degrees.
    void SetCameraPreset(bool keepHeight, float rotationX, float rotationY);

    // The outer splitter holds the inner one, which is destroyed first.
    CSmartSplitterWnd m_wndSplitter;
    CSmartSplitterWnd m_wndSplitter2;
    CStatusBar m_wndStatusBar;
    CToolBar m_wndToolBar;
};

// The main window, which holds the panes; null before it is made and after it is gone.
CMainFrame* GetMainFrame();
// The main window's tutorial balloon, or null.
CTutorialDlg* GetTutorial();
