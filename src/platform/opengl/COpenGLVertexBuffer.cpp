#include "platform/opengl/COpenGLVertexBuffer.h"

#include "platform/opengl/OpenGLApi.h"

COpenGLVertexBuffer* COpenGLVertexBuffer::Create(UINT length, IRenderWindow& window) {
    if (!window.MakeCurrent()) {
        return nullptr;
    }
    // Errors of earlier calls must not be taken for this one's.
    while (glGetError() != GL_NO_ERROR) {
    }
    unsigned int name = 0;
    glGenBuffers(1, &name);
    glBindBuffer(GL_ARRAY_BUFFER, name);
    // The storage is reserved, not cleared: every byte that is drawn has been written first.
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(length), nullptr, GL_STATIC_DRAW);
    if (glGetError() != GL_NO_ERROR) {
        glDeleteBuffers(1, &name);
        return nullptr;
    }
    return new COpenGLVertexBuffer(length, name, window);
}

COpenGLVertexBuffer::COpenGLVertexBuffer(UINT length, unsigned int name, IRenderWindow& window)
    : m_length(length), m_name(name), m_window(window) {}

COpenGLVertexBuffer::~COpenGLVertexBuffer() {
    // Released from commands as well as from frames: the context may not be current.
    if (m_window.MakeCurrent()) {
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
    if (data == nullptr || offset > m_length || size > m_length - offset) {
        return E_INVALIDARG;
    }
    if (m_mapped == nullptr) {
        if (!m_window.MakeCurrent()) {
            return E_FAIL;
        }
        glBindBuffer(GL_ARRAY_BUFFER, m_name);
        m_mapped = static_cast<std::uint8_t*>(glMapBufferRange(GL_ARRAY_BUFFER, 0,
                                                               static_cast<GLsizeiptr>(m_length),
                                                               GL_MAP_READ_BIT | GL_MAP_WRITE_BIT));
        if (m_mapped == nullptr) {
            return E_FAIL;
        }
    }
    ++m_locks;
    *data = m_mapped + offset;
    return S_OK;
}

HRESULT COpenGLVertexBuffer::Unlock() {
    if (m_locks == 0) {
        return E_FAIL;
    }
    if (m_locks > 1) {
        --m_locks;
        return S_OK;
    }
    if (!m_window.MakeCurrent()) {
        return E_FAIL; // still mapped, so still locked
    }
    m_locks = 0;
    m_mapped = nullptr;
    glBindBuffer(GL_ARRAY_BUFFER, m_name);
    // False when the driver lost the contents while mapped; nothing can bring them back.
    return glUnmapBuffer(GL_ARRAY_BUFFER) ? S_OK : E_FAIL;
}

void COpenGLVertexBuffer::Bind() const {
    glBindBuffer(GL_ARRAY_BUFFER, m_name);
}
