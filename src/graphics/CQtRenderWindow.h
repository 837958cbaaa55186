#pragma once

// The 3D view's render window: the OpenGL context of a QOpenGLWidget. The device renders
// into its own back buffer and Present draws it onto the widget's framebuffer, scaled to
// the widget; call Render from the widget's paintGL, where that framebuffer is bound. The
// widget must not be multisampled (a blit cannot resolve into a multisampled target).

#include "platform/IRenderWindow.h"

class QOpenGLWidget;

class CQtRenderWindow final : public IRenderWindow {
public:
    // The widget must outlive the window and every device made on it.
    explicit CQtRenderWindow(QOpenGLWidget& widget) : m_widget(widget) {}

    bool MakeCurrent() override;
    unsigned int PresentFramebuffer() const override;
    bool CanPresent() const override { return true; }
    int Width() const override;
    int Height() const override;

private:
    QOpenGLWidget& m_widget;
};
