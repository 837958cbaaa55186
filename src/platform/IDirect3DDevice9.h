#pragma once

// The rendering device: the operations of a fixed-function Direct3D 9 device that the scene,
// the loader and the renderer call, with Direct3D's conventions (row-vector matrices,
// right-handed projections onto depth 0..1, counter-clockwise culling as seen on the screen,
// lights in world space, managed-pool resources that survive a reset).

#include "platform/D3DTypes.h"
#include "platform/D3DXMath.h"
#include "platform/WinTypes.h"

#include <cstdint>
#include <string>
#include <vector>

class ID3DXFont;
class ID3DXSprite;
class IDirect3DTexture9;
class IDirect3DVertexBuffer9;

class IDirect3DDevice9 {
public:
    virtual ~IDirect3DDevice9() = default;

    // Resources.
    virtual HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                       IDirect3DVertexBuffer9** buffer) = 0;
    // Decodes an image file (BMP, PNG, JPEG, TGA) into a managed A8R8G8B8 texture with
    // linear filtering; fails for a file that is missing or cannot be read, and for a picture
    // whose decoding would take more than `maxPixelBytes`, which is refused before decoding.
    virtual HRESULT CreateTextureFromFile(const std::string& path, std::uint64_t maxPixelBytes,
                                          IDirect3DTexture9** texture) = 0;
    // The subtitle font and the sprite it draws through.
    virtual HRESULT CreateFont(const D3DXFONT_DESCA* description, ID3DXFont** font) = 0;
    virtual HRESULT CreateSprite(ID3DXSprite** sprite) = 0;

    // Frame.
    virtual HRESULT Clear(DWORD count, const RECT* rectangles, DWORD flags, D3DCOLOR colour,
                          float z, DWORD stencil) = 0;
    virtual HRESULT BeginScene() = 0;
    virtual HRESULT EndScene() = 0;
    // Shows the back buffer in the device's window, scaled to the window.
    virtual HRESULT Present() = 0;
    // Gives the back buffer the size of the parameters; managed resources survive.
    virtual HRESULT Reset(D3DPRESENT_PARAMETERS* parameters) = 0;
    // The top-left width x height pixels of the back buffer as 24-bit rows, bottom row
    // first, each padded to a multiple of 4 bytes (blue, green, red per pixel).
    virtual HRESULT ReadBackBuffer(UINT width, UINT height, std::vector<std::uint8_t>& rows) = 0;

    // State.
    virtual HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DXMATRIX* matrix) = 0;
    virtual HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DXMATRIX* matrix) = 0;
    virtual HRESULT GetViewport(D3DVIEWPORT9* viewport) = 0;
    virtual HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) = 0;
    virtual HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type,
                                         DWORD value) = 0;
    virtual HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) = 0;
    virtual HRESULT SetLight(DWORD index, const D3DLIGHT9* light) = 0;
    virtual HRESULT LightEnable(DWORD index, BOOL enable) = 0;
    virtual HRESULT SetMaterial(const D3DMATERIAL9* material) = 0;
    virtual HRESULT SetTexture(DWORD stage, IDirect3DTexture9* texture) = 0;
    virtual HRESULT SetFVF(DWORD fvf) = 0;
    virtual HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset,
                                    UINT stride) = 0;

    // Drawing.
    virtual HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) = 0;
    virtual HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount,
                                    const void* vertices, UINT stride) = 0;
};
