#pragma once

// A managed vertex buffer: the bytes live in memory, where Lock hands them out, and are
// copied into an OpenGL buffer object when the buffer is first drawn after a change. The
// memory copy is what makes the buffer survive a device reset or a lost context.

#include "platform/IDirect3DVertexBuffer9.h"
#include "platform/IRenderWindow.h"

#include <cstdint>
#include <vector>

class COpenGLVertexBuffer final : public IDirect3DVertexBuffer9 {
public:
    // The window's context owns the buffer object; it is made current to delete it.
    COpenGLVertexBuffer(UINT length, IRenderWindow& window);
    COpenGLVertexBuffer(const COpenGLVertexBuffer&) = delete;
    COpenGLVertexBuffer& operator=(const COpenGLVertexBuffer&) = delete;

    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) override;
    HRESULT Unlock() override;

    UINT Length() const { return static_cast<UINT>(m_bytes.size()); }
    // Binds the buffer object as GL_ARRAY_BUFFER, uploading the bytes if they changed.
    void Bind();

private:
    ~COpenGLVertexBuffer() override;

    std::vector<std::uint8_t> m_bytes;
    IRenderWindow& m_window;
    ULONG m_references = 1;
    unsigned int m_name = 0;
    bool m_changed = true;
};
