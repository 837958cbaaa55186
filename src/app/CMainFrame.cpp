#include "app/CMainFrame.h"

#include "app/CTutorialDlg.h"
#include "app/Resource.h"
#include "graphics/CDirectXGraphics.h"
#include "graphics/CSorvendalView.h"
#include "platform/framework/CWinApp.h"
#include "platform/framework/Resources.h"
#include "scene/SceneGlobals.h"
#include "timeline/CPropertyView.h"
#include "timeline/CTimeLineView.h"

#include <QGuiApplication>
#include <QLayout>
#include <QScreen>

namespace {
constexpr QSize DefaultFrameSize(1024, 768);
} // namespace

CMainFrame* GetMainFrame() {
    return dynamic_cast<CMainFrame*>(AfxGetMainWnd());
}

CTutorialDlg* GetTutorial() {
    CMainFrame* frame = GetMainFrame();
    return frame != nullptr ? frame->m_pTutorial : nullptr;
}

CMainFrame::CMainFrame() {
    MapCommand(ID_CAMERA_LEFT, [this] { OnCameraLeft(); });
    MapCommand(ID_CAMERA_RIGHT, [this] { OnCameraRight(); });
    MapCommand(ID_CAMERA_TOP, [this] { OnCameraTop(); });
    MapCommand(ID_CAMERA_BOTTOM, [this] { OnCameraBottom(); });
    MapCommand(ID_CAMERA_FRONT, [this] { OnCameraFront(); });
    MapCommand(ID_CAMERA_BACK, [this] { OnCameraBack(); });
    const QScreen* screen = QGuiApplication::primaryScreen();
    resize(screen != nullptr ? DefaultFrameSize.boundedTo(screen->availableSize())
                             : DefaultFrameSize);
}

CMainFrame::~CMainFrame() {
    delete m_pTutorial;
    m_pTutorial = nullptr;
}

bool CMainFrame::OnCreateClient(CDocument* document) {
    const int clientWidth = width();
    if (!m_wndSplitter.CreateStatic(this, 2, 1)) {
        return false;
    }
    auto* timeLine = new CTimeLineView;
    timeLine->AttachDocument(document);
    if (!m_wndSplitter.CreateView(0, 0, timeLine, QSize(100, TimeLineHeight))) {
        return false;
    }
    if (!m_wndSplitter2.CreateStatic(&m_wndSplitter, 1, 2)) {
        return false;
    }
    m_wndSplitter.SetRowInfo(1, 400, 0);
    auto* properties = new CPropertyView;
    properties->AttachDocument(document);
    if (!m_wndSplitter2.CreateView(0, 0, properties, QSize(PropertyFormWidth, 100))) {
        return false;
    }
    auto* view = new CSorvendalView;
    view->AttachDocument(document);
    if (!m_wndSplitter2.CreateView(0, 1, view, QSize(clientWidth - PropertyFormWidth, 100))) {
        return false;
    }
    m_pTimeLineView = timeLine;
    m_pPropertyView = properties;
    m_pView = view;
    SetActiveView(view);
    return true;
}

int CMainFrame::OnCreate() {
    if (CFrameWnd::OnCreate() == -1) {
        return -1;
    }
    if (!m_wndToolBar.CreateEx(this, AFX_IDW_TOOLBAR) || !m_wndToolBar.LoadToolBar(IDR_MAINFRAME)) {
        return -1;
    }
    if (!m_wndStatusBar.Create(this, AFX_IDW_STATUS_BAR) ||
        !m_wndStatusBar.SetIndicators(
            {ID_SEPARATOR, ID_INDICATOR_CAPS, ID_INDICATOR_NUM, ID_INDICATOR_SCRL})) {
        return -1;
    }
    SetToolBarLabels();
    m_pTutorial = new CTutorialDlg(this);
    // The balloon points at a button: the toolbar takes its place before the window shows.
    layout()->activate();
    m_wndToolBar.layout()->activate();
    m_pTutorial->Advance(0, GetToolBarButtonPoint(4));
    return 0;
}

void CMainFrame::moveEvent(QMoveEvent* event) {
    CFrameWnd::moveEvent(event);
    OnMove();
}

void CMainFrame::OnMove() {
    // The balloon is a window of its own on the screen: it follows the frame.
    if (m_pTutorial != nullptr && g_nTutorialStep >= 1) {
        m_pTutorial->Reposition();
    }
}

void CMainFrame::SetToolBarLabels() {
    for (const QStringList& row : Resources::LoadTable(QStringLiteral("toolbarlabels"))) {
        m_wndToolBar.SetButtonText(row.value(0).toInt(), row.value(1));
    }
    // Every button takes the size of the labelled first one.
    m_wndToolBar.SetButtonSize(m_wndToolBar.GetItemRect(0).size());
}

QPoint CMainFrame::GetToolBarButtonPoint(int index) const {
    const QRect item = m_wndToolBar.GetItemRect(index);
    const QPoint toolBar = m_wndToolBar.mapTo(this, QPoint(0, 0));
    return toolBar + item.topLeft() + QPoint(20, 15);
}

void CMainFrame::SetCameraPreset(bool keepHeight, float rotationX, float rotationY) {
    CDirectXGraphics& graphics = *g_pDirectXGraphics;
    if (graphics.m_nCameraMode != CameraPerspective) {
        return;
    }
    const D3DXVECTOR3 position = graphics.GetCameraPosition(g_nCurrentFrame);
    graphics.SetCameraPosition(g_nCurrentFrame, 0.0f, keepHeight ? position.y : 0.0f, position.z);
    graphics.SetCameraRotation(g_nCurrentFrame, rotationX, rotationY, 0.0f);
    m_pView->update();
}

void CMainFrame::OnCameraLeft() {
    SetCameraPreset(true, 0.0f, -90.0f);
}

void CMainFrame::OnCameraRight() {
    SetCameraPreset(true, 0.0f, 90.0f);
}

void CMainFrame::OnCameraTop() {
    SetCameraPreset(false, 90.0f, 0.0f);
}

void CMainFrame::OnCameraBottom() {
    SetCameraPreset(false, -90.0f, 0.0f);
}

void CMainFrame::OnCameraFront() {
    SetCameraPreset(true, 0.0f, 0.0f);
}

void CMainFrame::OnCameraBack() {
    SetCameraPreset(true, 0.0f, 180.0f);
}
