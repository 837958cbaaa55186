#include "loader/PickRay.h"

#include "platform/IDirect3DDevice9.h"

PickRay PickRay::Through(int x, int y, IDirect3DDevice9* device, const D3DXMATRIX& world) {
    D3DVIEWPORT9 viewport;
    D3DXMATRIX projection, view;
    device->GetViewport(&viewport);
    device->GetTransform(D3DTS_PROJECTION, &projection);
    device->GetTransform(D3DTS_VIEW, &view);
    PickRay ray;
    if (viewport.Width == 0 || viewport.Height == 0) {
        return ray;
    }
    // The point on the view plane at distance 1 in front of the eye, which looks down -z.
    const float px =
        (2.0f * static_cast<float>(x) / static_cast<float>(viewport.Width) - 1.0f) / projection._11;
    const float py = -(2.0f * static_cast<float>(y) / static_cast<float>(viewport.Height) - 1.0f) /
                     projection._22;
    const D3DXMATRIX modelView = world * view;
    D3DXMATRIX i;
    if (D3DXMatrixInverse(&i, nullptr, &modelView) == nullptr) {
        return ray;
    }
    ray.direction = D3DXVECTOR3(px * i._11 + py * i._21 - i._31, px * i._12 + py * i._22 - i._32,
                                px * i._13 + py * i._23 - i._33);
    ray.origin = D3DXVECTOR3(i._41, i._42, i._43);
    ray.valid = true;
    return ray;
}
