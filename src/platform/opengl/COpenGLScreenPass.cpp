#include "platform/opengl/COpenGLScreenPass.h"

#include "platform/opengl/COpenGLBackBuffer.h"
#include "platform/opengl/COpenGLTexture.h"
#include "platform/opengl/OpenGLApi.h"

COpenGLScreenPass::COpenGLScreenPass(const COpenGLBackBuffer& target) : m_target(target) {}

void COpenGLScreenPass::Begin() {
    m_open = true;
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, m_target.Width(), m_target.Height(), 0.0, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ZERO, GL_ONE);
    glEnable(GL_TEXTURE_2D);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
}

void COpenGLScreenPass::End() {
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glPopClientAttrib();
    glPopAttrib();
    m_open = false;
}

void COpenGLScreenPass::Draw(COpenGLTexture& image, int x, int y, D3DCOLOR colour) {
    const bool ownPass = !m_open;
    if (ownPass) {
        Begin();
    }
    image.Bind();
    // One texel on each pixel: no filtering.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glColor4ub(static_cast<GLubyte>(colour >> 16), static_cast<GLubyte>(colour >> 8),
               static_cast<GLubyte>(colour), static_cast<GLubyte>(colour >> 24));
    const auto left = static_cast<GLfloat>(x);
    const auto top = static_cast<GLfloat>(y);
    const GLfloat right = left + static_cast<GLfloat>(image.Width());
    const GLfloat bottom = top + static_cast<GLfloat>(image.Height());
    const GLfloat corners[] = {left, top, right, top, right, bottom, left, bottom};
    const GLfloat texCoords[] = {0.0f, 0.0f, 1.0f, 0.0f, 1.0f, 1.0f, 0.0f, 1.0f};
    glVertexPointer(2, GL_FLOAT, 0, corners);
    glTexCoordPointer(2, GL_FLOAT, 0, texCoords);
    glDrawArrays(GL_TRIANGLE_FAN, 0, 4);
    if (ownPass) {
        End();
    }
}
