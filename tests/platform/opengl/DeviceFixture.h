#pragma once

// A device on a headless EGL window, the vertices the tests draw, and read-back helpers
// that address pixels from the top-left of the picture.

#include "platform/D3DTypes.h"
#include "platform/D3DXMath.h"
#include "platform/IDirect3D9.h"
#include "platform/IDirect3DDevice9.h"
#include "platform/opengl/CEglWindow.h"
#include "platform/opengl/COpenGLDirect3D.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <ostream>
#include <vector>

// A pixel as red, green, blue.
struct Rgb {
    int r = 0;
    int g = 0;
    int b = 0;

    bool operator==(const Rgb& other) const { return r == other.r && g == other.g && b == other.b; }
    bool operator!=(const Rgb& other) const { return !(*this == other); }
    // Each channel within `tolerance` of the other's.
    bool Near(const Rgb& other, int tolerance) const {
        return std::abs(r - other.r) <= tolerance && std::abs(g - other.g) <= tolerance &&
               std::abs(b - other.b) <= tolerance;
    }
};

inline void PrintTo(const Rgb& pixel, std::ostream* out) {
    *out << "(" << pixel.r << ", " << pixel.g << ", " << pixel.b << ")";
}

constexpr DWORD FvfColoured = 0x52;
constexpr DWORD FvfTextured = 0x112;

// Position, normal, D3DCOLOR: flexible vertex format 0x52, 28 bytes.
struct ColouredVertex {
    float x, y, z;
    float nx, ny, nz;
    D3DCOLOR colour;
};
static_assert(sizeof(ColouredVertex) == 28);

// Position, normal, texture coordinates: flexible vertex format 0x112, 32 bytes.
struct TexturedVertex {
    float x, y, z;
    float nx, ny, nz;
    float u, v;
};
static_assert(sizeof(TexturedVertex) == 32);

// A window for resources that never reach the GPU in a test: there is no context to make
// current, so nothing is deleted through one.
class NoContextWindow : public IRenderWindow {
public:
    bool MakeCurrent() override { return false; }
    unsigned int PresentFramebuffer() const override { return 0; }
    bool CanPresent() const override { return false; }
    int Width() const override { return 0; }
    int Height() const override { return 0; }
};

class DeviceFixture : public ::testing::Test {
protected:
    static constexpr int Width = 160;
    static constexpr int Height = 120;
    static constexpr D3DCOLOR Background = D3DCOLOR_ARGB(255, 30, 65, 90);

    void SetUp() override { CreateDevice(Width, Height); }
    void TearDown() override { DestroyDevice(); }

    // Replaces the device with one whose back buffer has the size.
    void CreateDevice(int width, int height) {
        DestroyDevice();
        m_window = std::make_unique<CEglWindow>(width, height);
        m_direct3D = new COpenGLDirect3D;
        D3DPRESENT_PARAMETERS parameters = PresentParameters(width, height);
        ASSERT_EQ(m_direct3D->CreateDevice(0, D3DDEVTYPE_HAL, m_window.get(),
                                           D3DCREATE_HARDWARE_VERTEXPROCESSING, &parameters,
                                           &m_device),
                  S_OK);
        m_width = width;
        m_height = height;
    }

    void DestroyDevice() {
        delete m_device;
        m_device = nullptr;
        if (m_direct3D != nullptr) {
            m_direct3D->Release();
            m_direct3D = nullptr;
        }
        m_window.reset();
    }

    // The parameters the graphics object passes, at the size.
    static D3DPRESENT_PARAMETERS PresentParameters(int width, int height) {
        D3DPRESENT_PARAMETERS parameters;
        parameters.BackBufferWidth = static_cast<UINT>(width);
        parameters.BackBufferHeight = static_cast<UINT>(height);
        parameters.BackBufferFormat = D3DFMT_X8R8G8B8;
        parameters.SwapEffect = D3DSWAPEFFECT_FLIP;
        parameters.Windowed = TRUE;
        parameters.EnableAutoDepthStencil = TRUE;
        parameters.AutoDepthStencilFormat = D3DFMT_D16;
        parameters.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
        return parameters;
    }

    // Clears to the background and begins the scene with identity transforms, so that
    // positions are normalised device coordinates with depth 0..1, and lighting off.
    void BeginFrame(D3DCOLOR background = Background) {
        ASSERT_EQ(
            m_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, background, 1.0f, 0),
            S_OK);
        ASSERT_EQ(m_device->BeginScene(), S_OK);
        D3DXMATRIX identity;
        D3DXMatrixIdentity(&identity);
        m_device->SetTransform(D3DTS_WORLD, &identity);
        m_device->SetTransform(D3DTS_VIEW, &identity);
        m_device->SetTransform(D3DTS_PROJECTION, &identity);
        m_device->SetRenderState(D3DRS_LIGHTING, FALSE);
    }

    // Normalised device coordinates of a point given in pixels from the top-left.
    float NdcX(float x) const { return 2.0f * x / static_cast<float>(m_width) - 1.0f; }
    float NdcY(float y) const { return 1.0f - 2.0f * y / static_cast<float>(m_height); }

    // Two triangles, clockwise on the screen, covering the pixels from (left, top) up to
    // (right, bottom) exclusive, at depth z, with the normal (0, 0, 1).
    std::vector<ColouredVertex> Rectangle(int left, int top, int right, int bottom, D3DCOLOR colour,
                                          float z = 0.5f) const {
        const float l = NdcX(static_cast<float>(left));
        const float t = NdcY(static_cast<float>(top));
        const float r = NdcX(static_cast<float>(right));
        const float b = NdcY(static_cast<float>(bottom));
        return {{l, t, z, 0, 0, 1, colour}, {r, t, z, 0, 0, 1, colour}, {r, b, z, 0, 0, 1, colour},
                {l, t, z, 0, 0, 1, colour}, {r, b, z, 0, 0, 1, colour}, {l, b, z, 0, 0, 1, colour}};
    }

    void FillRectangle(int left, int top, int right, int bottom, D3DCOLOR colour, float z = 0.5f) {
        DrawColoured(D3DPT_TRIANGLELIST, Rectangle(left, top, right, bottom, colour, z));
    }

    void DrawColoured(D3DPRIMITIVETYPE type, const std::vector<ColouredVertex>& vertices) {
        ASSERT_EQ(m_device->SetFVF(FvfColoured), S_OK);
        const UINT perPrimitive = type == D3DPT_LINELIST ? 2 : 3;
        ASSERT_EQ(m_device->DrawPrimitiveUP(type, static_cast<UINT>(vertices.size()) / perPrimitive,
                                            vertices.data(), sizeof(ColouredVertex)),
                  S_OK);
    }

    std::vector<std::uint8_t> ReadFrame() {
        std::vector<std::uint8_t> rows;
        EXPECT_EQ(
            m_device->ReadBackBuffer(static_cast<UINT>(m_width), static_cast<UINT>(m_height), rows),
            S_OK);
        return rows;
    }

    // The pixel at (x, y) from the top-left of a frame read with ReadFrame.
    Rgb PixelOf(const std::vector<std::uint8_t>& rows, int x, int y) const {
        const std::size_t stride = (static_cast<std::size_t>(m_width) * 3 + 3) & ~std::size_t{3};
        const std::uint8_t* pixel = rows.data() +
                                    stride * static_cast<std::size_t>(m_height - 1 - y) +
                                    static_cast<std::size_t>(x) * 3;
        return {pixel[2], pixel[1], pixel[0]};
    }

    Rgb PixelAt(int x, int y) { return PixelOf(ReadFrame(), x, y); }

    static Rgb RgbOf(D3DCOLOR colour) {
        return {static_cast<int>((colour >> 16) & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                static_cast<int>(colour & 0xFF)};
    }

    std::unique_ptr<CEglWindow> m_window;
    IDirect3D9* m_direct3D = nullptr;
    IDirect3DDevice9* m_device = nullptr;
    int m_width = 0;
    int m_height = 0;
};
