#pragma once

// A managed vertex buffer whose bytes live in an OpenGL buffer object only: Lock maps the
// object for reading and writing, Unlock gives it back to the driver. No copy is kept in
// memory, where a large model's buffers would take as much again, and the bytes are written
// once, where they are drawn from. The window's context keeps the object through a device
// reset.

#include "platform/IDirect3DVertexBuffer9.h"
#include "platform/IRenderWindow.h"

#include <cstdint>

class COpenGLVertexBuffer final : public IDirect3DVertexBuffer9 {
public:
    // Null when the window's context cannot be made current or the driver has no room.
    static COpenGLVertexBuffer* Create(UINT length, IRenderWindow& window);
    COpenGLVertexBuffer(const COpenGLVertexBuffer&) = delete;
    COpenGLVertexBuffer& operator=(const COpenGLVertexBuffer&) = delete;

    ULONG AddRef() override;
    ULONG Release() override;
    // Locks nest: the object stays mapped until the last Unlock.
    HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) override;
    HRESULT Unlock() override;

    UINT Length() const { return m_length; }
    // Binds the buffer object as GL_ARRAY_BUFFER for a draw.
    void Bind() const;

private:
    COpenGLVertexBuffer(UINT length, unsigned int name, IRenderWindow& window);
    ~COpenGLVertexBuffer() override;

    UINT m_length;
    unsigned int m_name;
    IRenderWindow& m_window;
    ULONG m_references = 1;
    std::uint8_t* m_mapped = nullptr;
    int m_locks = 0;
};
