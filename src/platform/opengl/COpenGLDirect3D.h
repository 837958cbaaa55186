#pragma once

// The Direct3D object of the OpenGL implementation: one adapter, whose devices render with
// the OpenGL context of the window they are created on.

#include "platform/IDirect3D9.h"

class COpenGLDirect3D final : public IDirect3D9 {
public:
    COpenGLDirect3D() = default;
    COpenGLDirect3D(const COpenGLDirect3D&) = delete;
    COpenGLDirect3D& operator=(const COpenGLDirect3D&) = delete;

    ULONG Release() override;
    HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) override;
    // Makes the window's context current and gives a device whose back buffer has the size
    // of the parameters. Fails when the window has no context. The window (the parameters'
    // device window, or else the focus window) must outlive the device.
    HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD behaviourFlags,
                         D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice9** device) override;

private:
    ~COpenGLDirect3D() override = default;
};

// Installs COpenGLDirect3D as what Direct3DCreate9 makes.
void RegisterOpenGLDirect3D();
