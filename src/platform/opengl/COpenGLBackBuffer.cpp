#include "platform/opengl/COpenGLBackBuffer.h"

#include "platform/opengl/OpenGLApi.h"

namespace {

GLuint CreateRenderbuffer(GLenum format, int width, int height) {
    GLuint name = 0;
    glGenRenderbuffers(1, &name);
    glBindRenderbuffer(GL_RENDERBUFFER, name);
    glRenderbufferStorage(GL_RENDERBUFFER, format, width, height);
    return name;
}

} // namespace

COpenGLBackBuffer::~COpenGLBackBuffer() {
    Destroy();
}

bool COpenGLBackBuffer::Create(int width, int height, bool depth16) {
    Destroy();
    if (width <= 0 || height <= 0) {
        return false;
    }
    m_colour = CreateRenderbuffer(GL_RGBA8, width, height);
    m_depth =
        CreateRenderbuffer(depth16 ? GL_DEPTH_COMPONENT16 : GL_DEPTH_COMPONENT24, width, height);
    glGenFramebuffers(1, &m_framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, m_framebuffer);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, m_colour);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, m_depth);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        Destroy();
        return false;
    }
    m_width = width;
    m_height = height;
    Bind();
    return true;
}

void COpenGLBackBuffer::Bind() const {
    glBindFramebuffer(GL_FRAMEBUFFER, m_framebuffer);
    glViewport(0, 0, m_width, m_height);
}

void COpenGLBackBuffer::BlitTo(unsigned int framebuffer, int width, int height) const {
    glBindFramebuffer(GL_READ_FRAMEBUFFER, m_framebuffer);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffer);
    glBlitFramebuffer(0, 0, m_width, m_height, 0, 0, width, height, GL_COLOR_BUFFER_BIT, GL_LINEAR);
    // The window's own framebuffer stays bound, for whatever paints after the frame; every
    // frame binds the back buffer again when it clears.
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
}

bool COpenGLBackBuffer::Read(UINT width, UINT height, std::vector<std::uint8_t>& rows) const {
    if (width > static_cast<UINT>(m_width) || height > static_cast<UINT>(m_height)) {
        return false;
    }
    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
    rows.assign(stride * height, 0);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, m_framebuffer);
    // Packing with 4-byte alignment pads each row as a bitmap does.
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, m_height - static_cast<GLint>(height), static_cast<GLsizei>(width),
                 static_cast<GLsizei>(height), GL_BGR, GL_UNSIGNED_BYTE, rows.data());
    return true;
}

void COpenGLBackBuffer::Destroy() {
    glDeleteFramebuffers(1, &m_framebuffer);
    glDeleteRenderbuffers(1, &m_depth);
    glDeleteRenderbuffers(1, &m_colour);
    m_framebuffer = m_colour = m_depth = 0;
    m_width = m_height = 0;
}
