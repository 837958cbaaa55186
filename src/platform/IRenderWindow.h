#pragma once

// A window that a device renders for: it owns the OpenGL context and says where Present
// draws. A headless window has no framebuffer to present to.

class IRenderWindow {
public:
    virtual ~IRenderWindow() = default;

    virtual bool MakeCurrent() = 0;
    // The framebuffer object that Present draws into, 0 for the window system's default.
    virtual unsigned int PresentFramebuffer() const = 0;
    // False for a headless window: Present has nothing to draw into.
    virtual bool CanPresent() const = 0;
    // The window's client size in device pixels.
    virtual int Width() const = 0;
    virtual int Height() const = 0;
};
