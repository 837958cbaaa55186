#pragma once

// Draws screen-aligned images, such as rendered text, over the frame between Begin and End.

#include "platform/WinTypes.h"

class ID3DXSprite {
public:
    virtual ULONG Release() = 0;
    virtual HRESULT Begin(DWORD flags) = 0;
    virtual HRESULT End() = 0;
    virtual HRESULT OnLostDevice() = 0;
    virtual HRESULT OnResetDevice() = 0;

protected:
    virtual ~ID3DXSprite() = default;
};
