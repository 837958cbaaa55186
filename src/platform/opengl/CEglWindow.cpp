#include "platform/opengl/CEglWindow.h"

#define EGL_NO_X11
#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <cstring>

namespace {

bool HasClientExtension(const char* name) {
    const char* extensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    return extensions != nullptr && std::strstr(extensions, name) != nullptr;
}

EGLDisplay SurfacelessDisplay() {
    if (!HasClientExtension("EGL_MESA_platform_surfaceless")) {
        return EGL_NO_DISPLAY;
    }
    const auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (getPlatformDisplay == nullptr) {
        return EGL_NO_DISPLAY;
    }
    return getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
}

} // namespace

CEglWindow::CEglWindow(int width, int height) : m_width(width), m_height(height) {
    EGLDisplay display = SurfacelessDisplay();
    if (display == EGL_NO_DISPLAY || eglInitialize(display, nullptr, nullptr) != EGL_TRUE) {
        return;
    }
    // The display stays initialised for the rest of the process: EGL gives every window the
    // same one, and terminating it would unload the driver, which Mesa does not do cleanly.
    m_display = display;
    CreateContext();
}

CEglWindow::~CEglWindow() {
    if (m_context != nullptr) {
        if (eglGetCurrentContext() == m_context) {
            eglMakeCurrent(m_display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        }
        eglDestroyContext(m_display, m_context);
    }
}

bool CEglWindow::MakeCurrent() {
    return m_context != nullptr &&
           eglMakeCurrent(m_display, EGL_NO_SURFACE, EGL_NO_SURFACE, m_context) == EGL_TRUE;
}

void CEglWindow::CreateContext() {
    // No surface is ever made, so any surface type will do.
    const EGLint attributes[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_SURFACE_TYPE, 0,
                                 EGL_NONE};
    EGLConfig config = nullptr;
    EGLint count = 0;
    if (eglBindAPI(EGL_OPENGL_API) != EGL_TRUE ||
        eglChooseConfig(m_display, attributes, &config, 1, &count) != EGL_TRUE || count < 1) {
        return;
    }
    // Without attributes an OpenGL context is a compatibility one of the highest version.
    m_context = eglCreateContext(m_display, config, EGL_NO_CONTEXT, nullptr);
}
