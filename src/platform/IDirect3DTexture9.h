#pragma once

// A texture of the device, reference-counted like the interface it stands in for.

#include "platform/WinTypes.h"

class IDirect3DTexture9 {
public:
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    virtual ~IDirect3DTexture9() = default;
};
