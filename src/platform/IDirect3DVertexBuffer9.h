#pragma once

// A vertex buffer of the device, reference-counted like the interface it stands in for:
// Release drops one reference and destroys the buffer at zero.

#include "platform/WinTypes.h"

class IDirect3DVertexBuffer9 {
public:
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;
    // Maps `size` bytes from `offset` (0 and 0: the whole buffer) into *data.
    virtual HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) = 0;
    virtual HRESULT Unlock() = 0;

protected:
    virtual ~IDirect3DVertexBuffer9() = default;
};
