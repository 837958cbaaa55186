#pragma once

// A headless render window: an OpenGL compatibility context on Mesa's surfaceless EGL
// platform, with no surface and no X server. There is nothing to present to; the device
// renders into its back buffer and tests read it back. When EGL cannot give a context the
// window still exists, but MakeCurrent fails.

#include "platform/IRenderWindow.h"

class CEglWindow final : public IRenderWindow {
public:
    CEglWindow(int width, int height);
    ~CEglWindow() override;
    CEglWindow(const CEglWindow&) = delete;
    CEglWindow& operator=(const CEglWindow&) = delete;

    bool MakeCurrent() override;
    unsigned int PresentFramebuffer() const override { return 0; }
    bool CanPresent() const override { return false; }
    int Width() const override { return m_width; }
    int Height() const override { return m_height; }

private:
    // Leaves the context null when EGL cannot give one.
    void CreateContext();

    int m_width;
    int m_height;
    // EGLDisplay and EGLContext, kept as the pointers they are so that this header does not
    // pull in the EGL platform headers.
    void* m_display = nullptr;
    void* m_context = nullptr;
};
