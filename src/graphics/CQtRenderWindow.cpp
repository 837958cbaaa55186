#include "graphics/CQtRenderWindow.h"

#include <QOpenGLContext>
#include <QOpenGLWidget>

bool CQtRenderWindow::MakeCurrent() {
    // makeCurrent also binds the widget's framebuffer: never do it in the middle of a frame,
    // when the context is current already.
    if (m_widget.context() != nullptr && QOpenGLContext::currentContext() == m_widget.context()) {
        return true;
    }
    if (m_widget.context() == nullptr) {
        // A widget that has not been shown yet makes its context in a first render of its
        // own, off the screen. Its window must exist by then, or the widget's frames never
        // reach the window once it shows.
        m_widget.window()->winId();
        m_widget.grabFramebuffer();
    }
    m_widget.makeCurrent();
    return m_widget.context() != nullptr && QOpenGLContext::currentContext() == m_widget.context();
}

unsigned int CQtRenderWindow::PresentFramebuffer() const {
    return m_widget.defaultFramebufferObject();
}

int CQtRenderWindow::Width() const {
    return static_cast<int>(m_widget.width() * m_widget.devicePixelRatioF());
}

int CQtRenderWindow::Height() const {
    return static_cast<int>(m_widget.height() * m_widget.devicePixelRatioF());
}
