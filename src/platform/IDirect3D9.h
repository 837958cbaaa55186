#pragma once

// The Direct3D object that creates devices on windows. Direct3DCreate9 asks the factory that
// the program installed (the OpenGL implementation); without one it gives null, as on a
// machine without Direct3D.

#include "platform/D3DTypes.h"
#include "platform/WinTypes.h"

#include <functional>

class IDirect3DDevice9;

constexpr UINT D3D_SDK_VERSION = 32;
constexpr DWORD D3DCREATE_SOFTWARE_VERTEXPROCESSING = 0x20;
constexpr DWORD D3DCREATE_HARDWARE_VERTEXPROCESSING = 0x40;
enum D3DDEVTYPE { D3DDEVTYPE_HAL = 1 };

class IDirect3D9 {
public:
    virtual ULONG Release() = 0;
    virtual HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) = 0;
    virtual HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow,
                                 DWORD behaviourFlags, D3DPRESENT_PARAMETERS* parameters,
                                 IDirect3DDevice9** device) = 0;

protected:
    virtual ~IDirect3D9() = default;
};

IDirect3D9* Direct3DCreate9(UINT sdkVersion);
// Installs the factory behind Direct3DCreate9 and returns the one it replaces.
std::function<IDirect3D9*()> SetDirect3DFactory(std::function<IDirect3D9*()> factory);
