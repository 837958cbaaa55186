#pragma once

// The rendering device: the operations of a fixed-function Direct3D 9 device that the scene,
// the loader and the renderer call, with Direct3D's conventions (row-vector matrices,
// right-handed projections onto depth 0..1, managed-pool resources that survive a reset).

#include "platform/D3DTypes.h"
#include "platform/D3DXMath.h"
#include "platform/WinTypes.h"

#include <string>

class IDirect3DTexture9;
class IDirect3DVertexBuffer9;

class IDirect3DDevice9 {
public:
    virtual ~IDirect3DDevice9() = default;

    virtual HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                       IDirect3DVertexBuffer9** buffer) = 0;
    // Decodes an image file into a managed texture with linear filtering; fails for a file
    // that is missing or cannot be read.
    virtual HRESULT CreateTextureFromFile(const std::string& path, IDirect3DTexture9** texture) = 0;

    virtual HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DXMATRIX* matrix) = 0;
    virtual HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DXMATRIX* matrix) = 0;
    virtual HRESULT GetViewport(D3DVIEWPORT9* viewport) = 0;
    virtual HRESULT SetMaterial(const D3DMATERIAL9* material) = 0;
    virtual HRESULT SetTexture(DWORD stage, IDirect3DTexture9* texture) = 0;
    virtual HRESULT SetFVF(DWORD fvf) = 0;
    virtual HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset,
                                    UINT stride) = 0;
    virtual HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) = 0;
    virtual HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount,
                                    const void* vertices, UINT stride) = 0;
};
