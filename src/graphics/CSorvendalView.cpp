#include "graphics/CSorvendalView.h"

#include "app/CCompressorChooser.h"
#include "app/CMainFrame.h"
#include "app/CTutorialDlg.h"
#include "app/Resource.h"
#include "graphics/CDirectXGraphics.h"
#include "media/CAviRecorder.h"
#include "media/CDirectSound.h"
#include "platform/MessageBoxService.h"
#include "platform/framework/CDocument.h"
#include "platform/framework/CWinApp.h"
#include "platform/framework/Cp932Text.h"
#include "platform/framework/LocalFileName.h"
#include "platform/framework/MouseFlags.h"
#include "platform/framework/Resources.h"
#include "scene/SceneGlobals.h"
#include "timeline/CPropertyView.h"
#include "timeline/CTimeLineView.h"

#include <QDir>
#include <QMouseEvent>
#include <QTimer>
#include <QWheelEvent>

#include <cmath>

namespace {

constexpr float WheelDeltaPerScale = 500.0f;
constexpr float QuarterTurnDegrees = 90.0f;
constexpr int RecordingPreviewMs = 33;

// While it lives and the recording runs, the window is brought up to date on the screen at
// the pace of playback only: the ticks of a recording render and write their frames
// themselves, and putting every one of them on the screen would hold them up. Once the last
// frame is written the window updates as usual again, so an idle wait costs nothing.
class PacedWindowUpdates {
public:
    explicit PacedWindowUpdates(QWidget& window) : m_window(window) {
        m_window.setUpdatesEnabled(false);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            m_window.setUpdatesEnabled(true);
            if (g_pDirectXGraphics->m_nRunMode != RunRecord) {
                m_timer.stop();
                return;
            }
            m_window.repaint();
            m_window.setUpdatesEnabled(false);
        });
        m_timer.start(RecordingPreviewMs);
    }
    ~PacedWindowUpdates() { m_window.setUpdatesEnabled(true); }
    PacedWindowUpdates(const PacedWindowUpdates&) = delete;
    PacedWindowUpdates& operator=(const PacedWindowUpdates&) = delete;

private:
    QWidget& m_window;
    QTimer m_timer;
};

float Sin(float radians) {
    return static_cast<float>(std::sin(static_cast<double>(radians)));
}

float Cos(float radians) {
    return static_cast<float>(std::cos(static_cast<double>(radians)));
}

// How far a drag of (dx, dy) turns into a handle's move, rotation or scale; rx and ry are
// the camera's rotation in radians. The move is scaled by 4 when it is applied.
D3DXVECTOR3 HandleDrag(int editMode, int handle, float dx, float dy, float rx, float ry) {
    switch (editMode * 8 + handle) {
    case EditMove * 8 + PickedHandleX:
        return {dx - dy, 0.0f, 0.0f};
    case EditMove * 8 + PickedHandleY:
        return {0.0f, dx - dy, 0.0f};
    case EditMove * 8 + PickedHandleZ:
        return {0.0f, 0.0f, dx + dy};
    case EditMove * 8 + PickedCentre:
        return {0.5f * dx * Cos(ry), -0.5f * dy * Cos(rx), 0.5f * (dx * Sin(ry) + dy * Sin(rx))};
    case EditRotate * 8 + PickedHandleX:
        return {(dx + dy) / 2.0f, 0.0f, 0.0f};
    case EditRotate * 8 + PickedHandleY:
        return {0.0f, (dx - dy) / 2.0f, 0.0f};
    case EditRotate * 8 + PickedHandleZ:
        return {0.0f, 0.0f, (dy - dx) / 2.0f};
    case EditRotate * 8 + PickedCentre:
        return {dy / 2.0f, dx / 2.0f, 0.0f};
    case EditScale * 8 + PickedHandleX:
        return {(dx - dy) / 20.0f, 0.0f, 0.0f};
    case EditScale * 8 + PickedHandleY:
        return {0.0f, (dx - dy) / 20.0f, 0.0f};
    case EditScale * 8 + PickedHandleZ:
        return {0.0f, 0.0f, (dx - dy) / 20.0f};
    case EditScale * 8 + PickedCentre:
        return {(dx - dy) / 20.0f, (dx - dy) / 20.0f, (dx - dy) / 20.0f};
    default:
        return {0.0f, 0.0f, 0.0f};
    }
}

CPropertyView* PropertyView() {
    CMainFrame* frame = GetMainFrame();
    return frame != nullptr ? frame->m_pPropertyView : nullptr;
}

void UpdatePropertyCoordinates() {
    if (CPropertyView* properties = PropertyView()) {
        properties->UpdateCoordinates();
    }
}

} // namespace

CSorvendalView::CSorvendalView() {
    setAttribute(Qt::WA_OpaquePaintEvent); // the frame covers the whole view: no erase
    // Never squeezed to nothing by a splitter: once a GL widget has had an empty size, Qt no
    // longer shows its picture when it has room again, and the view stays black until the
    // main window itself is resized.
    setMinimumSize(1, 1);
    // Moves reach the view without a button too, so that the last mouse point is always
    // where the pointer is when a drag starts with any button.
    setMouseTracking(true);
}

CSorvendalView::~CSorvendalView() {
    // The device's objects are deleted with the view's context current.
    makeCurrent();
    delete g_pDirectSound;
    g_pDirectSound = nullptr;
    delete g_pDirectXGraphics;
    g_pDirectXGraphics = nullptr;
    doneCurrent();
}

int CSorvendalView::OnCreate() {
    g_pDirectXGraphics = new CDirectXGraphics(&m_renderWindow);
    g_pDirectSound = new CDirectSound;
    CDirectSound& sound = *g_pDirectSound;
    sound.m_pDS = CSoundDevice::Create();
    if (sound.m_pDS != nullptr &&
        SUCCEEDED(sound.m_pDS->SetCooperativeLevel(&m_renderWindow, DSSCL_EXCLUSIVE))) {
        sound.InitPrimaryBuffer();
    }
    sound.LoadAllWaves();
    return 0;
}

void CSorvendalView::OnUpdate(CView*, LPARAM, CObject*) {
    m_bPaintPending = true;
    update();
}

void CSorvendalView::FlushPendingPaint() {
    if (!m_bPaintPending || !isVisible()) {
        return;
    }
    if (g_pDirectXGraphics->m_nRunMode != RunRecord) {
        repaint();
        return;
    }
    makeCurrent();
    OnDraw();
    doneCurrent();
}

void CSorvendalView::OnDraw() {
    m_bPaintPending = false;
    if (GetDocument() == nullptr || g_pDirectXGraphics == nullptr) {
        return;
    }
    CDirectXGraphics& graphics = *g_pDirectXGraphics;
    if (graphics.m_nRunMode != RunRecord) {
        graphics.Render(nullptr);
        return;
    }
    // Each frame is rendered and written once; a later paint of the same frame (the window
    // composing, an expose, or one inside a message box that the writing itself opened)
    // shows what the view holds already.
    if (g_nCurrentFrame == m_nLastRecordedFrame) {
        return;
    }
    m_nLastRecordedFrame = g_nCurrentFrame;
    graphics.Render(g_hAviFrameDC);
    if (g_pAviRecorder != nullptr) {
        g_pAviRecorder->WriteFrame(g_hAviFrameDC);
    }
}

void CSorvendalView::RecordAvi(const std::string& path) {
    CDirectXGraphics& graphics = *g_pDirectXGraphics;
    CPropertyView* properties = PropertyView();
    properties->m_nSavedWidth = static_cast<int>(graphics.m_fBackBufferWidth);
    properties->m_nSavedHeight = static_cast<int>(graphics.m_fBackBufferHeight);
    // Frames that the back buffer cannot hold would all be black: after the resize's message
    // nothing is recorded, and the file at the path is not touched.
    const bool fits = graphics.ResizeForRecording();
    CCompressorChooser chooser;
    CAviRecorder recorder(*g_pDirectSound, chooser);
    g_pAviRecorder = &recorder;
    g_hAviFrameDC =
        fits ? recorder.Open(graphics.m_nMovieWidth, graphics.m_nMovieHeight, path) : nullptr;
    if (g_hAviFrameDC != nullptr) {
        graphics.m_nRunMode = RunRecord;
        graphics.m_nCameraMode = CameraTrack;
        m_nLastRecordedFrame = -1;
        GetDocument()->UpdateAllViews(nullptr, HintRecordStart);
        {
            const PacedWindowUpdates paced(*window());
            AfxMessageBox(Resources::LoadString(IDS_RECORDING));
        }
        GetDocument()->UpdateAllViews(nullptr, HintRecordEnd);
    } else {
        // Nothing to record into: no movie plays behind a box that says it records.
        graphics.Resize(properties->m_nSavedWidth, properties->m_nSavedHeight);
    }
    recorder.Close();
    g_pAviRecorder = nullptr;
    g_hAviFrameDC = nullptr;
    if (!recorder.KeptPath().empty()) {
        AfxMessageBox(
            Resources::LoadString(IDS_RECORDING_KEPT_BESIDE)
                .arg(QDir::toNativeSeparators(Cp932Text::ToQString(path)),
                     QDir::toNativeSeparators(LocalFileName::ToQString(recorder.KeptPath()))),
            MB_OK | MB_ICONERROR);
    }
}

void CSorvendalView::OnSize(int width, int height) {
    if (g_pDirectXGraphics == nullptr) {
        return;
    }
    // While recording, the back buffer keeps the movie's size; the view's new size is the one
    // to restore afterwards.
    if (g_pDirectXGraphics->m_nRunMode == RunRecord) {
        if (CPropertyView* properties = PropertyView()) {
            properties->m_nSavedWidth = width;
            properties->m_nSavedHeight = height;
        }
        return;
    }
    g_pDirectXGraphics->Resize(width, height);
}

void CSorvendalView::resizeGL(int width, int height) {
    const qreal ratio = devicePixelRatioF();
    OnSize(static_cast<int>(width * ratio), static_cast<int>(height * ratio));
}

void CSorvendalView::paintGL() {
    OnDraw();
}

// Mouse points in the back buffer's device pixels, where picking and dragging measure.
QPoint CSorvendalView::DevicePoint(const QPointF& point) const {
    return (point * devicePixelRatioF()).toPoint();
}

void CSorvendalView::mousePressEvent(QMouseEvent* event) {
    QOpenGLWidget::mousePressEvent(event);
    const QPoint point = DevicePoint(event->position());
    if (event->button() == Qt::LeftButton) {
        OnLButtonDown(MouseFlags(*event), point);
    } else if (event->button() == Qt::RightButton) {
        OnRButtonDown(MouseFlags(*event), point);
    }
}

void CSorvendalView::mouseReleaseEvent(QMouseEvent* event) {
    QOpenGLWidget::mouseReleaseEvent(event);
    const QPoint point = DevicePoint(event->position());
    if (event->button() == Qt::LeftButton) {
        OnLButtonUp(MouseFlags(*event), point);
    } else if (event->button() == Qt::RightButton) {
        OnRButtonUp(MouseFlags(*event), point);
    }
}

// A double click is a press that the view handles as its first one did.
void CSorvendalView::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
}

void CSorvendalView::mouseMoveEvent(QMouseEvent* event) {
    QOpenGLWidget::mouseMoveEvent(event);
    OnMouseMove(MouseFlags(*event), DevicePoint(event->position()));
}

void CSorvendalView::wheelEvent(QWheelEvent* event) {
    QOpenGLWidget::wheelEvent(event);
    OnMouseWheel(MouseFlags(event->buttons(), event->modifiers()),
                 static_cast<short>(event->angleDelta().y()), DevicePoint(event->position()));
}

void CSorvendalView::OnLButtonDown(unsigned int, QPoint point) {
    m_bLButtonDown = TRUE;
    m_lastPoint = point;
    CDirectXGraphics& graphics = *g_pDirectXGraphics;
    CMainFrame* frame = GetMainFrame();
    if (graphics.PickAtPoint(point.x(), point.y()) && frame != nullptr) {
        CTimeLineCtrl& timeline = frame->m_pTimeLineView->m_ctrl;
        if (graphics.m_nSelected < timeline.GetTrackCount()) {
            timeline.m_nSelectedRow = graphics.m_nSelected;
        }
        frame->m_pPropertyView->UpdateAnimationCombo(graphics.m_nSelected);
    }
    // After a miss the sync gives the selection back to the timeline's row.
    GetDocument()->UpdateAllViews(nullptr, HintSceneChanged);
}

void CSorvendalView::OnLButtonUp(unsigned int, QPoint) {
    m_bLButtonDown = FALSE;
    CDirectXGraphics& graphics = *g_pDirectXGraphics;
    const int frame = g_nCurrentFrame;
    if (IsKeyState(graphics.GetCharacterFrameState(graphics.m_nSelected, frame))) {
        if (CCharacter* character = graphics.GetCharacter(graphics.m_nSelected)) {
            character->InterpolateKeys();
        }
    }
    if (frame >= 0 && frame < static_cast<int>(graphics.m_cameraKeys.size()) &&
        IsKeyState(graphics.m_cameraKeys[static_cast<std::size_t>(frame)].m_nState)) {
        graphics.InterpolateCameraKeys();
    }
    GetDocument()->UpdateAllViews(nullptr, HintSceneChanged);
    GetDocument()->SetModifiedFlag(true);
    if (CTutorialDlg* tutorial = GetTutorial()) {
        const QPoint timeLine = GetOriginInFrame(*GetMainFrame()->m_pTimeLineView);
        tutorial->Advance(5, timeLine + QPoint(644, 50)) ||
            tutorial->Advance(8, timeLine + QPoint(164, 30));
    }
}

void CSorvendalView::OnMouseMove(unsigned int flags, QPoint point) {
    const float dx = static_cast<float>(point.x() - m_lastPoint.x());
    const float dy = static_cast<float>(point.y() - m_lastPoint.y());
    const float s = (dx - dy) / 200.0f;
    CDirectXGraphics& graphics = *g_pDirectXGraphics;
    const int frame = g_nCurrentFrame;
    if (graphics.m_nCameraMode == CameraPerspective) {
        bool moved = true;
        if (m_bLButtonDown && m_bRButtonDown) {
            graphics.ScaleCamera(s, s, s);
        } else if (m_bLButtonDown && (flags & (MK_CONTROL | MK_MBUTTON)) != 0) {
            graphics.MoveCamera(10.0f * dx, -10.0f * dy, 0.0f);
        } else if (m_bRButtonDown && !m_bLButtonDown) {
            graphics.RotateCamera(dy, dx, 0.0f);
        } else if ((flags & MK_MBUTTON) != 0 && !m_bLButtonDown && !m_bRButtonDown) {
            graphics.MoveCamera(10.0f * dx, -10.0f * dy, 0.0f);
        } else {
            moved = false;
        }
        if (moved) {
            update();
        }
    } else if (graphics.m_nCameraMode == CameraTrack &&
               graphics.GetCharacter(graphics.m_nSelected) == nullptr &&
               (m_bLButtonDown || m_bRButtonDown)) {
        MoveTrackCamera(m_bLButtonDown != FALSE, dx, dy, s);
        UpdatePropertyCoordinates();
        update();
    }
    if (m_bLButtonDown) {
        const float rx = graphics.GetCameraRotationX(frame) * DegreesToRadians;
        const float ry = graphics.GetCameraRotationY(frame) * DegreesToRadians;
        D3DXVECTOR3 drag =
            HandleDrag(graphics.m_nEditMode, graphics.m_nPickedHandle, dx, dy, rx, ry);
        drag.x = graphics.m_bAxisX ? drag.x : 0.0f;
        drag.y = graphics.m_bAxisY ? drag.y : 0.0f;
        drag.z = graphics.m_bAxisZ ? drag.z : 0.0f;
        switch (graphics.m_nEditMode) {
        case EditMove:
            graphics.MoveSelectedCharacter(frame, 4.0f * drag.x, 4.0f * drag.y, 4.0f * drag.z);
            break;
        case EditRotate:
            graphics.RotateSelectedCharacter(frame, drag.x, drag.y, drag.z);
            break;
        case EditScale:
            graphics.ScaleSelectedCharacter(frame, drag.x, drag.y, drag.z);
            break;
        default:
            break;
        }
        UpdatePropertyCoordinates();
        update();
    }
    m_lastPoint = point;
}

// The movie camera's key at the current frame, dragged with the left or the right button.
void CSorvendalView::MoveTrackCamera(bool left, float dx, float dy, float s) {
    CDirectXGraphics& graphics = *g_pDirectXGraphics;
    const int frame = g_nCurrentFrame;
    switch (graphics.m_nEditMode) {
    case EditMove:
        if (left) {
            const float a = graphics.GetCameraRotationY(frame) * DegreesToRadians;
            graphics.MoveCamera(2.0f * dy * Sin(a), 0.0f, -2.0f * dy * Cos(a));
            const float b =
                (graphics.GetCameraRotationY(frame) + QuarterTurnDegrees) * DegreesToRadians;
            graphics.MoveCamera(-2.0f * dx * Sin(b), 0.0f, 2.0f * dx * Cos(b));
        } else {
            graphics.MoveCamera(0.0f, 2.0f * dy, 0.0f);
        }
        break;
    case EditRotate:
        if (left) {
            graphics.RotateCamera(dy / 10.0f, dx / 10.0f, 0.0f);
        } else {
            graphics.RotateCamera(0.0f, dy / 10.0f, dx / 10.0f);
        }
        break;
    case EditScale:
        graphics.ScaleCamera(s, s, s);
        break;
    default:
        break;
    }
}

void CSorvendalView::OnRButtonDown(unsigned int, QPoint point) {
    m_bRButtonDown = TRUE;
    m_lastPoint = point;
}

void CSorvendalView::OnRButtonUp(unsigned int, QPoint) {
    m_bRButtonDown = FALSE;
}

void CSorvendalView::OnMouseWheel(unsigned int, short delta, QPoint) {
    const float w = static_cast<float>(delta) / WheelDeltaPerScale;
    g_pDirectXGraphics->ScaleCamera(w, w, w);
    update();
}
