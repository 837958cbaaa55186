#include "platform/IDirect3D9.h"

#include <utility>

namespace {
std::function<IDirect3D9*()>& Factory() {
    static std::function<IDirect3D9*()> factory;
    return factory;
}
} // namespace

IDirect3D9* Direct3DCreate9(UINT sdkVersion) {
    if (sdkVersion != D3D_SDK_VERSION || !Factory()) {
        return nullptr;
    }
    return Factory()();
}

std::function<IDirect3D9*()> SetDirect3DFactory(std::function<IDirect3D9*()> factory) {
    return std::exchange(Factory(), std::move(factory));
}
