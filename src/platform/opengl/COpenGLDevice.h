#pragma once

// The fixed-function device on an OpenGL 2.1 compatibility context. It keeps Direct3D's
// conventions on top of OpenGL's:
// - a Direct3D matrix's 16 floats are the OpenGL matrix, so they load unchanged; the
//   modelview is World x View, and the projection P x C, where C takes Direct3D's depth
//   0..w onto OpenGL's -w..w;
// - light 0 lives in world space, so its position is given with the view alone loaded and
//   given again whenever the view changes;
// - counter-clockwise culling removes triangles that run counter-clockwise on the screen.
// Render states go to OpenGL as they are set, so the renderer can set them once a frame.
// Drawing happens in a framebuffer object of the present size, which Present scales onto
// the window.

#include "platform/IDirect3DDevice9.h"
#include "platform/IRenderWindow.h"
#include "platform/opengl/COpenGLBackBuffer.h"
#include "platform/opengl/COpenGLScreenPass.h"
#include "platform/opengl/COpenGLTextCache.h"
#include "platform/opengl/COpenGLVertexFormat.h"

#include <cstdint>
#include <memory>
#include <optional>

class COpenGLTexture;
class COpenGLVertexBuffer;

class COpenGLDevice final : public IDirect3DDevice9 {
public:
    // Needs the window's context current. Null when the back buffer cannot be made.
    static std::unique_ptr<COpenGLDevice> Create(IRenderWindow& window,
                                                 const D3DPRESENT_PARAMETERS& parameters);
    ~COpenGLDevice() override;
    COpenGLDevice(const COpenGLDevice&) = delete;
    COpenGLDevice& operator=(const COpenGLDevice&) = delete;

    HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                               IDirect3DVertexBuffer9** buffer) override;
    HRESULT CreateTextureFromFile(const std::string& path, std::uint64_t maxPixelBytes,
                                  IDirect3DTexture9** texture) override;
    HRESULT CreateFont(const D3DXFONT_DESCA* description, ID3DXFont** font) override;
    HRESULT CreateSprite(ID3DXSprite** sprite) override;

    HRESULT Clear(DWORD count, const RECT* rectangles, DWORD flags, D3DCOLOR colour, float z,
                  DWORD stencil) override;
    HRESULT BeginScene() override;
    HRESULT EndScene() override;
    HRESULT Present() override;
    HRESULT Reset(D3DPRESENT_PARAMETERS* parameters) override;
    HRESULT ReadBackBuffer(UINT width, UINT height, std::vector<std::uint8_t>& rows) override;

    HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DXMATRIX* matrix) override;
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DXMATRIX* matrix) override;
    HRESULT GetViewport(D3DVIEWPORT9* viewport) override;
    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
    HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override;
    HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) override;
    HRESULT SetLight(DWORD index, const D3DLIGHT9* light) override;
    HRESULT LightEnable(DWORD index, BOOL enable) override;
    HRESULT SetMaterial(const D3DMATERIAL9* material) override;
    HRESULT SetTexture(DWORD stage, IDirect3DTexture9* texture) override;
    HRESULT SetFVF(DWORD fvf) override;
    HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset,
                            UINT stride) override;

    HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) override;
    HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount, const void* vertices,
                            UINT stride) override;

    // Where the sprite and the font draw their images.
    COpenGLScreenPass& ScreenPass() { return m_screenPass; }
    // The subtitle font's rasterised texts; fonts come and go, the cache stays.
    COpenGLTextCache& TextCache() { return m_textCache; }
    IRenderWindow& Window() { return m_window; }

private:
    COpenGLDevice(IRenderWindow& window, const D3DPRESENT_PARAMETERS& parameters);

    void SetDefaultState();
    void LoadModelView() const;
    void LoadLightPosition() const;
    void ApplyLight() const;
    void ApplyMaterial() const;
    HRESULT ApplyCullMode(DWORD mode);
    HRESULT ApplyBlend(D3DRENDERSTATETYPE state, DWORD value);
    void BindTextureForDrawing() const;
    HRESULT Draw(D3DPRIMITIVETYPE type, UINT vertexCount, std::uintptr_t base, UINT stride);

    IRenderWindow& m_window;
    D3DPRESENT_PARAMETERS m_parameters;
    COpenGLBackBuffer m_backBuffer;
    COpenGLScreenPass m_screenPass{m_backBuffer};
    COpenGLTextCache m_textCache;

    D3DXMATRIX m_world;
    D3DXMATRIX m_view;
    D3DXMATRIX m_projection;
    D3DLIGHT9 m_light;
    D3DMATERIAL9 m_material;
    bool m_specularEnabled = false;
    // The blend factors are those of the source alpha and its inverse, the only ones taken.
    DWORD m_sourceBlend = D3DBLEND_SRCALPHA;
    DWORD m_destinationBlend = D3DBLEND_INVSRCALPHA;
    DWORD m_minFilter = D3DTEXF_POINT;
    DWORD m_magFilter = D3DTEXF_POINT;
    std::optional<COpenGLVertexFormat> m_format;

    // The bound texture and vertex buffer hold a reference, as Direct3D's bindings do.
    COpenGLTexture* m_texture = nullptr;
    COpenGLVertexBuffer* m_streamBuffer = nullptr;
    UINT m_streamOffset = 0;
    UINT m_streamStride = 0;
};
