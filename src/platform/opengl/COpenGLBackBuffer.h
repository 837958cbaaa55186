#pragma once

// The device's back buffer: a framebuffer object with an RGBA8 colour buffer and a depth
// buffer. OpenGL and Direct3D both put the top of the picture at normalised y = +1, so the
// picture needs no flip; OpenGL numbers rows from the bottom, which is the order of a
// device-independent bitmap.

#include "platform/WinTypes.h"

#include <cstdint>
#include <vector>

class COpenGLBackBuffer {
public:
    COpenGLBackBuffer() = default;
    ~COpenGLBackBuffer();
    COpenGLBackBuffer(const COpenGLBackBuffer&) = delete;
    COpenGLBackBuffer& operator=(const COpenGLBackBuffer&) = delete;

    // Makes the buffers anew at the size and binds them; false (and no buffers) when the
    // driver cannot.
    bool Create(int width, int height, bool depth16);
    int Width() const { return m_width; }
    int Height() const { return m_height; }

    // Binds the framebuffer for reading and drawing, with the viewport on all of it.
    void Bind() const;
    // Draws the picture scaled onto all of another framebuffer of the given size.
    void BlitTo(unsigned int framebuffer, int width, int height) const;
    // The top-left width x height pixels as rows of blue, green, red padded to 4 bytes,
    // bottom row first. False when the region exceeds the buffer.
    bool Read(UINT width, UINT height, std::vector<std::uint8_t>& rows) const;

private:
    void Destroy();

    unsigned int m_framebuffer = 0;
    unsigned int m_colour = 0;
    unsigned int m_depth = 0;
    int m_width = 0;
    int m_height = 0;
};
