#include "platform/opengl/COpenGLDevice.h"

#include "platform/opengl/COpenGLFont.h"
#include "platform/opengl/COpenGLSprite.h"
#include "platform/opengl/COpenGLTexture.h"
#include "platform/opengl/COpenGLVertexBuffer.h"
#include "platform/opengl/OpenGLApi.h"

#include <algorithm>
#include <array>

namespace {

// Whole lines and triangles: a multiple of 2 and of 3.
constexpr UINT DrawPieceVertices = 12288;

// Takes Direct3D's depth 0..w onto OpenGL's -w..w: z' = 2z - w.
D3DXMATRIX DepthToOpenGL() {
    D3DXMATRIX matrix;
    D3DXMatrixIdentity(&matrix);
    matrix._33 = 2.0f;
    matrix._43 = -1.0f;
    return matrix;
}

std::array<GLfloat, 4> Rgba(const D3DCOLORVALUE& colour) {
    return {colour.r, colour.g, colour.b, colour.a};
}

std::array<GLfloat, 4> Rgba(D3DCOLOR colour) {
    const auto channel = [colour](int shift) { return ((colour >> shift) & 0xFFu) / 255.0f; };
    return {channel(16), channel(8), channel(0), channel(24)};
}

void SetEnabled(GLenum capability, bool enabled) {
    if (enabled) {
        glEnable(capability);
    } else {
        glDisable(capability);
    }
}

GLenum BlendFactor(DWORD blend) {
    return blend == D3DBLEND_SRCALPHA ? GL_SRC_ALPHA : GL_ONE_MINUS_SRC_ALPHA;
}

GLint Filter(DWORD filter) {
    return filter == D3DTEXF_LINEAR ? GL_LINEAR : GL_NEAREST;
}

// Vertices drawn for the primitives; 0 for a type the device does not draw.
UINT VertexCount(D3DPRIMITIVETYPE type, UINT primitiveCount) {
    switch (type) {
    case D3DPT_LINELIST:
        return 2 * primitiveCount;
    case D3DPT_TRIANGLELIST:
        return 3 * primitiveCount;
    default:
        return 0;
    }
}

// Stage 0 always modulates the texture by the diffuse colour, in colour and in alpha
// (GL_MODULATE); that is the one combination the device takes.
bool IsModulateOfTextureAndDiffuse(D3DTEXTURESTAGESTATETYPE type, DWORD value) {
    switch (type) {
    case D3DTSS_COLOROP:
    case D3DTSS_ALPHAOP:
        return value == D3DTOP_MODULATE;
    case D3DTSS_COLORARG1:
    case D3DTSS_ALPHAARG1:
        return value == D3DTA_TEXTURE;
    case D3DTSS_COLORARG2:
    case D3DTSS_ALPHAARG2:
        return value == D3DTA_DIFFUSE;
    default:
        return false;
    }
}

// Moves a binding to another object, holding a reference to the bound one.
template <typename Object> void Rebind(Object*& binding, Object* next) {
    if (next != nullptr) {
        next->AddRef();
    }
    if (binding != nullptr) {
        binding->Release();
    }
    binding = next;
}

} // namespace

std::unique_ptr<COpenGLDevice> COpenGLDevice::Create(IRenderWindow& window,
                                                     const D3DPRESENT_PARAMETERS& parameters) {
    std::unique_ptr<COpenGLDevice> device(new COpenGLDevice(window, parameters));
    D3DPRESENT_PARAMETERS initial = parameters;
    if (FAILED(device->Reset(&initial))) {
        return nullptr;
    }
    return device;
}

COpenGLDevice::COpenGLDevice(IRenderWindow& window, const D3DPRESENT_PARAMETERS& parameters)
    : m_window(window), m_parameters(parameters) {
    D3DXMatrixIdentity(&m_world);
    D3DXMatrixIdentity(&m_view);
    D3DXMatrixIdentity(&m_projection);
    // Direct3D's light at an index never set: white diffuse, travelling along +z.
    m_light.Diffuse = {1.0f, 1.0f, 1.0f, 0.0f};
    m_light.Direction = {0.0f, 0.0f, 1.0f};
    SetDefaultState();
}

COpenGLDevice::~COpenGLDevice() {
    // The GL objects of the back buffer, the bindings and the cache live in this context.
    m_window.MakeCurrent();
    Rebind<COpenGLTexture>(m_texture, nullptr);
    Rebind<COpenGLVertexBuffer>(m_streamBuffer, nullptr);
}

void COpenGLDevice::SetDefaultState() {
    // The parts of the mapping that never change.
    glDepthFunc(GL_LEQUAL);
    glCullFace(GL_BACK);
    glLightModeli(GL_LIGHT_MODEL_COLOR_CONTROL, GL_SEPARATE_SPECULAR_COLOR);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    // Flat shading takes the first vertex's colour, as Direct3D's does.
    glProvokingVertex(GL_FIRST_VERTEX_CONVENTION);
    SetTransform(D3DTS_PROJECTION, &m_projection);
    ApplyLight();
    ApplyMaterial();
    // Direct3D's initial render states (but for the blend factors, which start as the only
    // pair taken).
    SetRenderState(D3DRS_ZENABLE, m_parameters.EnableAutoDepthStencil);
    SetRenderState(D3DRS_SHADEMODE, D3DSHADE_GOURAUD);
    SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    SetRenderState(D3DRS_SRCBLEND, m_sourceBlend);
    SetRenderState(D3DRS_LIGHTING, TRUE);
    SetRenderState(D3DRS_AMBIENT, 0);
    SetRenderState(D3DRS_LOCALVIEWER, TRUE);
    SetRenderState(D3DRS_NORMALIZENORMALS, FALSE);
}

HRESULT COpenGLDevice::CreateVertexBuffer(UINT length, DWORD, DWORD, D3DPOOL,
                                          IDirect3DVertexBuffer9** buffer) {
    // Every pool behaves as the managed one: the buffer object keeps the bytes.
    if (buffer == nullptr || length == 0) {
        return E_INVALIDARG;
    }
    *buffer = COpenGLVertexBuffer::Create(length, m_window);
    return *buffer != nullptr ? S_OK : E_FAIL;
}

HRESULT COpenGLDevice::CreateTextureFromFile(const std::string& path, std::uint64_t maxPixelBytes,
                                             IDirect3DTexture9** texture) {
    if (texture == nullptr) {
        return E_INVALIDARG;
    }
    *texture = COpenGLTexture::FromFile(path, maxPixelBytes, m_window);
    return *texture != nullptr ? S_OK : E_FAIL;
}

HRESULT COpenGLDevice::CreateFont(const D3DXFONT_DESCA* description, ID3DXFont** font) {
    if (description == nullptr || font == nullptr) {
        return E_INVALIDARG;
    }
    *font = COpenGLFont::Create(*this, *description);
    return *font != nullptr ? S_OK : E_FAIL;
}

HRESULT COpenGLDevice::CreateSprite(ID3DXSprite** sprite) {
    if (sprite == nullptr) {
        return E_INVALIDARG;
    }
    *sprite = new COpenGLSprite(m_screenPass);
    return S_OK;
}

HRESULT COpenGLDevice::Clear(DWORD count, const RECT* rectangles, DWORD flags, D3DCOLOR colour,
                             float z, DWORD) {
    // Whole buffers only; there is no stencil buffer.
    if ((count != 0 && rectangles != nullptr) ||
        (flags & ~(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER)) != 0) {
        return E_INVALIDARG;
    }
    // The frame starts here, before BeginScene; the window's toolkit may have bound its own
    // framebuffer since the last one.
    m_backBuffer.Bind();
    GLbitfield mask = 0;
    if (flags & D3DCLEAR_TARGET) {
        const auto rgba = Rgba(colour);
        glClearColor(rgba[0], rgba[1], rgba[2], rgba[3]);
        mask |= GL_COLOR_BUFFER_BIT;
    }
    if (flags & D3DCLEAR_ZBUFFER) {
        glClearDepth(z);
        mask |= GL_DEPTH_BUFFER_BIT;
    }
    glClear(mask);
    return S_OK;
}

HRESULT COpenGLDevice::BeginScene() {
    m_backBuffer.Bind();
    return S_OK;
}

HRESULT COpenGLDevice::EndScene() {
    return S_OK;
}

HRESULT COpenGLDevice::Present() {
    if (m_window.CanPresent()) {
        m_backBuffer.BlitTo(m_window.PresentFramebuffer(), m_window.Width(), m_window.Height());
    }
    return S_OK;
}

HRESULT COpenGLDevice::Reset(D3DPRESENT_PARAMETERS* parameters) {
    if (parameters == nullptr) {
        return E_INVALIDARG;
    }
    if (!m_window.MakeCurrent()) {
        return E_FAIL;
    }
    m_parameters = *parameters;
    const bool depth16 = m_parameters.AutoDepthStencilFormat == D3DFMT_D16;
    const bool created =
        m_backBuffer.Create(static_cast<int>(m_parameters.BackBufferWidth),
                            static_cast<int>(m_parameters.BackBufferHeight), depth16);
    return created ? S_OK : E_FAIL;
}

HRESULT COpenGLDevice::ReadBackBuffer(UINT width, UINT height, std::vector<std::uint8_t>& rows) {
    return m_backBuffer.Read(width, height, rows) ? S_OK : E_INVALIDARG;
}

HRESULT COpenGLDevice::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DXMATRIX* matrix) {
    if (matrix == nullptr) {
        return E_INVALIDARG;
    }
    switch (state) {
    case D3DTS_WORLD:
        m_world = *matrix;
        LoadModelView();
        return S_OK;
    case D3DTS_VIEW:
        m_view = *matrix;
        LoadLightPosition();
        return S_OK;
    case D3DTS_PROJECTION: {
        m_projection = *matrix;
        const D3DXMATRIX loaded = m_projection * DepthToOpenGL();
        glMatrixMode(GL_PROJECTION);
        glLoadMatrixf(loaded.Data());
        glMatrixMode(GL_MODELVIEW);
        return S_OK;
    }
    default:
        return E_INVALIDARG;
    }
}

HRESULT COpenGLDevice::GetTransform(D3DTRANSFORMSTATETYPE state, D3DXMATRIX* matrix) {
    if (matrix == nullptr) {
        return E_INVALIDARG;
    }
    switch (state) {
    case D3DTS_WORLD:
        *matrix = m_world;
        return S_OK;
    case D3DTS_VIEW:
        *matrix = m_view;
        return S_OK;
    case D3DTS_PROJECTION:
        *matrix = m_projection;
        return S_OK;
    default:
        return E_INVALIDARG;
    }
}

HRESULT COpenGLDevice::GetViewport(D3DVIEWPORT9* viewport) {
    if (viewport == nullptr) {
        return E_INVALIDARG;
    }
    *viewport = D3DVIEWPORT9{};
    viewport->Width = static_cast<DWORD>(m_backBuffer.Width());
    viewport->Height = static_cast<DWORD>(m_backBuffer.Height());
    return S_OK;
}

HRESULT COpenGLDevice::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    switch (state) {
    case D3DRS_ZENABLE:
        SetEnabled(GL_DEPTH_TEST, value != FALSE);
        return S_OK;
    case D3DRS_SHADEMODE:
        if (value != D3DSHADE_FLAT && value != D3DSHADE_GOURAUD) {
            return E_INVALIDARG;
        }
        glShadeModel(value == D3DSHADE_FLAT ? GL_FLAT : GL_SMOOTH);
        return S_OK;
    case D3DRS_SRCBLEND:
    case D3DRS_DESTBLEND:
        return ApplyBlend(state, value);
    case D3DRS_CULLMODE:
        return ApplyCullMode(value);
    case D3DRS_ALPHABLENDENABLE:
        SetEnabled(GL_BLEND, value != FALSE);
        return S_OK;
    case D3DRS_SPECULARENABLE:
        m_specularEnabled = value != FALSE;
        ApplyMaterial();
        return S_OK;
    case D3DRS_LIGHTING:
        SetEnabled(GL_LIGHTING, value != FALSE);
        return S_OK;
    case D3DRS_AMBIENT:
        glLightModelfv(GL_LIGHT_MODEL_AMBIENT, Rgba(static_cast<D3DCOLOR>(value)).data());
        return S_OK;
    case D3DRS_LOCALVIEWER:
        glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, value != FALSE ? GL_TRUE : GL_FALSE);
        return S_OK;
    case D3DRS_NORMALIZENORMALS:
        SetEnabled(GL_NORMALIZE, value != FALSE);
        return S_OK;
    case D3DRS_DIFFUSEMATERIALSOURCE:
    case D3DRS_SPECULARMATERIALSOURCE:
    case D3DRS_AMBIENTMATERIALSOURCE:
    case D3DRS_EMISSIVEMATERIALSOURCE:
        // Lighting always takes its colours from the material.
        return value == D3DMCS_MATERIAL ? S_OK : E_INVALIDARG;
    default:
        return E_INVALIDARG;
    }
}

HRESULT COpenGLDevice::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type,
                                            DWORD value) {
    return stage == 0 && IsModulateOfTextureAndDiffuse(type, value) ? S_OK : E_INVALIDARG;
}

HRESULT COpenGLDevice::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) {
    if (sampler != 0 || (value != D3DTEXF_POINT && value != D3DTEXF_LINEAR)) {
        return E_INVALIDARG;
    }
    switch (type) {
    case D3DSAMP_MINFILTER:
        m_minFilter = value;
        return S_OK;
    case D3DSAMP_MAGFILTER:
        m_magFilter = value;
        return S_OK;
    default:
        return E_INVALIDARG;
    }
}

HRESULT COpenGLDevice::SetLight(DWORD index, const D3DLIGHT9* light) {
    if (index != 0 || light == nullptr || light->Type != D3DLIGHT_DIRECTIONAL) {
        return E_INVALIDARG;
    }
    m_light = *light;
    ApplyLight();
    return S_OK;
}

HRESULT COpenGLDevice::LightEnable(DWORD index, BOOL enable) {
    if (index != 0) {
        return E_INVALIDARG;
    }
    SetEnabled(GL_LIGHT0, enable != FALSE);
    return S_OK;
}

HRESULT COpenGLDevice::SetMaterial(const D3DMATERIAL9* material) {
    if (material == nullptr) {
        return E_INVALIDARG;
    }
    m_material = *material;
    ApplyMaterial();
    return S_OK;
}

HRESULT COpenGLDevice::SetTexture(DWORD stage, IDirect3DTexture9* texture) {
    if (stage != 0) {
        return E_INVALIDARG;
    }
    // Every texture given to this device was made by it.
    Rebind(m_texture, static_cast<COpenGLTexture*>(texture));
    return S_OK;
}

HRESULT COpenGLDevice::SetFVF(DWORD fvf) {
    const std::optional<COpenGLVertexFormat> format = COpenGLVertexFormat::FromFvf(fvf);
    if (!format) {
        return E_INVALIDARG;
    }
    m_format = format;
    return S_OK;
}

HRESULT COpenGLDevice::SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset,
                                       UINT stride) {
    if (stream != 0) {
        return E_INVALIDARG;
    }
    Rebind(m_streamBuffer, static_cast<COpenGLVertexBuffer*>(buffer));
    m_streamOffset = offset;
    m_streamStride = stride;
    return S_OK;
}

HRESULT COpenGLDevice::DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) {
    const UINT vertexCount = VertexCount(type, primitiveCount);
    if (m_streamBuffer == nullptr || !m_format || vertexCount == 0) {
        return E_INVALIDARG;
    }
    const std::uint64_t first = m_streamOffset + std::uint64_t{startVertex} * m_streamStride;
    const std::uint64_t end =
        first + std::uint64_t{vertexCount - 1} * m_streamStride + m_format->Size();
    if (end > m_streamBuffer->Length()) {
        return E_INVALIDARG;
    }
    m_streamBuffer->Bind();
    return Draw(type, vertexCount, static_cast<std::uintptr_t>(first), m_streamStride);
}

HRESULT COpenGLDevice::DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount,
                                       const void* vertices, UINT stride) {
    if (vertices == nullptr) {
        return E_INVALIDARG;
    }
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    return Draw(type, VertexCount(type, primitiveCount), reinterpret_cast<std::uintptr_t>(vertices),
                stride);
}

HRESULT COpenGLDevice::Draw(D3DPRIMITIVETYPE type, UINT vertexCount, std::uintptr_t base,
                            UINT stride) {
    if (!m_format || vertexCount == 0 || stride < m_format->Size()) {
        return E_INVALIDARG;
    }
    m_format->SetPointers(base, stride);
    if (!m_format->HasColour()) {
        // Direct3D's diffuse colour of a vertex without one, seen when lighting is off.
        glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    }
    BindTextureForDrawing();
    const GLenum mode = type == D3DPT_LINELIST ? GL_LINES : GL_TRIANGLES;
    // A software rasterizer bins all the triangles it is given before it draws any: a large
    // draw is handed over in pieces, each flushed, so that the memory that holds one piece's
    // triangles serves the next instead of growing with the model.
    const bool inPieces = vertexCount > DrawPieceVertices;
    for (UINT first = 0; first < vertexCount; first += DrawPieceVertices) {
        const UINT count = std::min(DrawPieceVertices, vertexCount - first);
        glDrawArrays(mode, static_cast<GLint>(first), static_cast<GLsizei>(count));
        if (inPieces) {
            glFlush();
        }
    }
    return S_OK;
}

void COpenGLDevice::LoadModelView() const {
    const D3DXMATRIX modelView = m_world * m_view;
    glLoadMatrixf(modelView.Data());
}

void COpenGLDevice::LoadLightPosition() const {
    // OpenGL takes a light's position through the modelview of the moment: with the view
    // alone the light stays in world space. A directional light's position is the way back
    // to it.
    glLoadMatrixf(m_view.Data());
    const GLfloat position[] = {-m_light.Direction.x, -m_light.Direction.y, -m_light.Direction.z,
                                0.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    LoadModelView();
}

void COpenGLDevice::ApplyLight() const {
    glLightfv(GL_LIGHT0, GL_DIFFUSE, Rgba(m_light.Diffuse).data());
    glLightfv(GL_LIGHT0, GL_SPECULAR, Rgba(m_light.Specular).data());
    glLightfv(GL_LIGHT0, GL_AMBIENT, Rgba(m_light.Ambient).data());
    LoadLightPosition();
}

void COpenGLDevice::ApplyMaterial() const {
    // The diffuse alpha becomes the alpha of lit vertices, as in Direct3D.
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, Rgba(m_material.Diffuse).data());
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, Rgba(m_material.Ambient).data());
    glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, Rgba(m_material.Emissive).data());
    // Without D3DRS_SPECULARENABLE there is no specular light at all; with it, the separate
    // specular colour adds it after the texture.
    const D3DCOLORVALUE specular = m_specularEnabled ? m_material.Specular : D3DCOLORVALUE{};
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, Rgba(specular).data());
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, std::clamp(m_material.Power, 0.0f, 128.0f));
}

HRESULT COpenGLDevice::ApplyCullMode(DWORD mode) {
    if (mode == D3DCULL_NONE) {
        glDisable(GL_CULL_FACE);
        return S_OK;
    }
    if (mode != D3DCULL_CW && mode != D3DCULL_CCW) {
        return E_INVALIDARG;
    }
    // Back faces are culled, so the front faces are the ones that stay: clockwise ones on
    // the screen for D3DCULL_CCW.
    glEnable(GL_CULL_FACE);
    glFrontFace(mode == D3DCULL_CCW ? GL_CW : GL_CCW);
    return S_OK;
}

HRESULT COpenGLDevice::ApplyBlend(D3DRENDERSTATETYPE state, DWORD value) {
    if (value != D3DBLEND_SRCALPHA && value != D3DBLEND_INVSRCALPHA) {
        return E_INVALIDARG;
    }
    (state == D3DRS_SRCBLEND ? m_sourceBlend : m_destinationBlend) = value;
    // Destination alpha is kept: the back buffer stays opaque for the window and the
    // recorder.
    glBlendFuncSeparate(BlendFactor(m_sourceBlend), BlendFactor(m_destinationBlend), GL_ZERO,
                        GL_ONE);
    return S_OK;
}

void COpenGLDevice::BindTextureForDrawing() const {
    // Without a texture, or coordinates to sample one, modulating would change nothing:
    // draw untextured.
    if (m_texture == nullptr || !m_format->HasTexCoords()) {
        glDisable(GL_TEXTURE_2D);
        return;
    }
    glEnable(GL_TEXTURE_2D);
    m_texture->Bind();
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, Filter(m_minFilter));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, Filter(m_magFilter));
}
