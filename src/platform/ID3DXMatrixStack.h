#pragma once

// A stack of matrices whose top composes transforms, as the handles are built.

#include "platform/D3DXMath.h"
#include "platform/WinTypes.h"

#include <vector>

class ID3DXMatrixStack {
public:
    ID3DXMatrixStack() : m_stack(1) { D3DXMatrixIdentity(&m_stack.back()); }

    ULONG Release() {
        delete this;
        return 0;
    }
    HRESULT LoadIdentity();
    // top := matrix x top: the new factor applies before everything already on the top.
    HRESULT MultMatrixLocal(const D3DXMATRIX* matrix);
    HRESULT Push();
    HRESULT Pop();
    const D3DXMATRIX* GetTop() const { return &m_stack.back(); }

private:
    ~ID3DXMatrixStack() = default;
    std::vector<D3DXMATRIX> m_stack;
};

HRESULT D3DXCreateMatrixStack(DWORD flags, ID3DXMatrixStack** stack);
