#include "platform/opengl/COpenGLDirect3D.h"

#include "platform/IRenderWindow.h"
#include "platform/opengl/COpenGLDevice.h"

ULONG COpenGLDirect3D::Release() {
    delete this;
    return 0;
}

HRESULT COpenGLDirect3D::GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) {
    if (adapter != 0 || mode == nullptr) {
        return E_INVALIDARG;
    }
    // Only the format matters to the program: the back buffer takes it.
    *mode = D3DDISPLAYMODE{1920, 1080, 60, D3DFMT_X8R8G8B8};
    return S_OK;
}

HRESULT COpenGLDirect3D::CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD,
                                      D3DPRESENT_PARAMETERS* parameters,
                                      IDirect3DDevice9** device) {
    if (device == nullptr) {
        return E_INVALIDARG;
    }
    *device = nullptr;
    if (adapter != 0 || type != D3DDEVTYPE_HAL || parameters == nullptr) {
        return E_INVALIDARG;
    }
    IRenderWindow* window =
        parameters->hDeviceWindow != nullptr ? parameters->hDeviceWindow : focusWindow;
    if (window == nullptr || !window->MakeCurrent()) {
        return E_FAIL;
    }
    std::unique_ptr<COpenGLDevice> created = COpenGLDevice::Create(*window, *parameters);
    if (!created) {
        return E_FAIL;
    }
    *device = created.release();
    return S_OK;
}

void RegisterOpenGLDirect3D() {
    SetDirect3DFactory([]() -> IDirect3D9* { return new COpenGLDirect3D; });
}
