#pragma once

// A texture of the device, reference-counted like the interface it stands in for.

#include "platform/D3DTypes.h"
#include "platform/WinTypes.h"

class IDirect3DTexture9 {
public:
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;
    // The format and size of a level; a texture has the one level 0.
    virtual HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* description) = 0;

protected:
    virtual ~IDirect3DTexture9() = default;
};
