#pragma once

// Screen-aligned images over the frame, for the sprite and the font. Between Begin and End
// the images are drawn in back-buffer pixels (origin top-left) with alpha blending that keeps
// the destination opaque; Begin saves the device's OpenGL state and End restores it exactly,
// so the 3D state that the renderer set for the frame is untouched. An image drawn outside
// Begin and End gets a pass of its own.

#include "platform/D3DTypes.h"

class COpenGLBackBuffer;
class COpenGLTexture;

class COpenGLScreenPass {
public:
    explicit COpenGLScreenPass(const COpenGLBackBuffer& target);

    bool IsOpen() const { return m_open; }
    void Begin();
    void End();
    // Draws the image with its top-left at (x, y), tinted with the colour and its alpha.
    void Draw(COpenGLTexture& image, int x, int y, D3DCOLOR colour);

private:
    const COpenGLBackBuffer& m_target;
    bool m_open = false;
};
