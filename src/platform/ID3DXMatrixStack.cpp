#include "platform/ID3DXMatrixStack.h"

HRESULT ID3DXMatrixStack::LoadIdentity() {
    D3DXMatrixIdentity(&m_stack.back());
    return S_OK;
}

HRESULT ID3DXMatrixStack::MultMatrixLocal(const D3DXMATRIX* matrix) {
    m_stack.back() = *matrix * m_stack.back();
    return S_OK;
}

HRESULT ID3DXMatrixStack::Push() {
    m_stack.push_back(m_stack.back());
    return S_OK;
}

HRESULT ID3DXMatrixStack::Pop() {
    if (m_stack.size() == 1) {
        return E_FAIL;
    }
    m_stack.pop_back();
    return S_OK;
}

HRESULT D3DXCreateMatrixStack(DWORD, ID3DXMatrixStack** stack) {
    *stack = new ID3DXMatrixStack();
    return S_OK;
}
