#pragma once

// The 3D view: the pane at the lower right. It makes the graphics-and-scene object and the
// sound object when it is created and deletes them when it is destroyed, paints by rendering
// the current frame, keeps the back buffer at its size, and turns the mouse into camera
// navigation, picking and handle drags.

#include "graphics/CQtRenderWindow.h"
#include "platform/framework/CView.h"

#include <QOpenGLWidget>
#include <QPoint>

#include <string>

class CSorvendalView : public QOpenGLWidget, public CView {
public:
    CSorvendalView();
    ~CSorvendalView() override;

    QWidget& GetViewWindow() override { return *this; }
    // Creates the graphics object on the view's window, then the sound object with its
    // device and the WAV folder's sounds.
    int OnCreate() override;
    void OnUpdate(CView* sender, LPARAM hint, CObject* hintObject) override;
    void OnDraw();
    void OnSize(int width, int height);
    // Paints now when a hint asked for a paint that has not come yet.
    void FlushPendingPaint();
    // Records the movie into the AVI file at the path (code page 932); returns when the
    // user closes the box that the recording runs behind. A whole movie that cannot take the
    // path's place is kept beside it, and a message names both.
    void RecordAvi(const std::string& path);

    void OnLButtonDown(unsigned int flags, QPoint point);
    void OnLButtonUp(unsigned int flags, QPoint point);
    void OnMouseMove(unsigned int flags, QPoint point);
    void OnRButtonDown(unsigned int flags, QPoint point);
    void OnRButtonUp(unsigned int flags, QPoint point);
    // `delta` is the wheel's turn, 120 a notch.
    void OnMouseWheel(unsigned int flags, short delta, QPoint point);

protected:
    void initializeGL() override {}
    void resizeGL(int width, int height) override;
    void paintGL() override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    QPoint DevicePoint(const QPointF& point) const;
    void MoveTrackCamera(bool left, float dx, float dy, float s);

    bool m_bPaintPending = false;
    // The scene frame that the recorder received last: each frame is written once.
    int m_nLastRecordedFrame = -1;
    BOOL m_bLButtonDown = FALSE;
    BOOL m_bRButtonDown = FALSE;
    QPoint m_lastPoint;
    CQtRenderWindow m_renderWindow{*this};
};
