#include "platform/opengl/COpenGLVertexBuffer.h"

#include "platform/opengl/OpenGLApi.h"

COpenGLVertexBuffer::COpenGLVertexBuffer(UINT length, IRenderWindow& window)
    : m_bytes(length), m_window(window) {}

COpenGLVertexBuffer::~COpenGLVertexBuffer() {
    // Released from commands as well as from frames: the context may not be current.
    if (m_name != 0 && m_window.MakeCurrent()) {
        glDeleteBuffers(1, &m_name);
    }
}

ULONG COpenGLVertexBuffer::AddRef() {
    return ++m_references;
}

ULONG COpenGLVertexBuffer::Release() {
    const ULONG references = --m_references;
    if (references == 0) {
        delete this;
    }
    return references;
}

HRESULT COpenGLVertexBuffer::Lock(UINT offset, UINT size, void** data, DWORD) {
    if (data == nullptr || offset > m_bytes.size() || size > m_bytes.size() - offset) {
        return E_INVALIDARG;
    }
    *data = m_bytes.data() + offset;
    // Whatever is written through the pointer goes to OpenGL at the next draw.
    m_changed = true;
    return S_OK;
}

HRESULT COpenGLVertexBuffer::Unlock() {
    return S_OK;
}

void COpenGLVertexBuffer::Bind() {
    if (m_name == 0) {
        glGenBuffers(1, &m_name);
    }
    glBindBuffer(GL_ARRAY_BUFFER, m_name);
    if (m_changed) {
        glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(m_bytes.size()), m_bytes.data(),
                     GL_STATIC_DRAW);
        m_changed = false;
    }
}
