#include "DeviceFixture.h"

#include "platform/IDirect3DVertexBuffer9.h"
#include "platform/opengl/OpenGLApi.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

constexpr D3DCOLOR Red = D3DCOLOR_ARGB(255, 255, 0, 0);
constexpr D3DCOLOR Green = D3DCOLOR_ARGB(255, 0, 255, 0);
constexpr D3DCOLOR Blue = D3DCOLOR_ARGB(255, 0, 0, 255);
constexpr float FieldOfView = 0.6981317f;

class COpenGLDeviceTest : public DeviceFixture {
protected:
    // The pixel onto which the matrices put a point, from the top-left.
    void ScreenPoint(const D3DXVECTOR3& point, const D3DXMATRIX& transform, int* x, int* y) const {
        D3DXVECTOR3 ndc;
        D3DXVec3TransformCoord(&ndc, &point, &transform);
        *x = static_cast<int>((ndc.x + 1.0f) / 2.0f * static_cast<float>(m_width));
        *y = static_cast<int>((1.0f - ndc.y) / 2.0f * static_cast<float>(m_height));
    }

    void SetPerspective(float zNear, float zFar) {
        D3DXMATRIX projection;
        D3DXMatrixPerspectiveFovRH(&projection, FieldOfView,
                                   static_cast<float>(m_width) / static_cast<float>(m_height),
                                   zNear, zFar);
        m_device->SetTransform(D3DTS_PROJECTION, &projection);
    }

    // A triangle clockwise on the screen around (0, 0, z) in view space, as large on the
    // screen at any depth.
    void DrawTriangleAtViewDepth(float z, D3DCOLOR colour) {
        const float s = 0.2f * std::fabs(z);
        DrawColoured(D3DPT_TRIANGLELIST, {{0, s, z, 0, 0, 1, colour},
                                          {s, -s, z, 0, 0, 1, colour},
                                          {-s, -s, z, 0, 0, 1, colour}});
    }

    // A triangle, clockwise on the screen when `clockwise`, around the centre.
    void DrawWoundTriangle(bool clockwise, D3DCOLOR colour) {
        const ColouredVertex top{0.0f, 0.5f, 0.5f, 0, 0, 1, colour};
        const ColouredVertex right{0.5f, -0.5f, 0.5f, 0, 0, 1, colour};
        const ColouredVertex left{-0.5f, -0.5f, 0.5f, 0, 0, 1, colour};
        DrawColoured(D3DPT_TRIANGLELIST, clockwise ? std::vector<ColouredVertex>{top, right, left}
                                                   : std::vector<ColouredVertex>{top, left, right});
    }

    Rgb Centre() { return PixelAt(m_width / 2, m_height / 2); }

    // Alpha of the back buffer at a pixel from the top-left; the device leaves its back
    // buffer bound for reading.
    int AlphaAt(int x, int y) const {
        GLubyte alpha = 0;
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(x, m_height - 1 - y, 1, 1, GL_ALPHA, GL_UNSIGNED_BYTE, &alpha);
        return alpha;
    }
};

TEST_F(COpenGLDeviceTest, ClearFillsTheBackBufferWithTheColour) {
    BeginFrame(D3DCOLOR_ARGB(255, 30, 65, 90));
    const std::vector<std::uint8_t> rows = ReadFrame();
    for (int y = 0; y < m_height; y += 7) {
        for (int x = 0; x < m_width; x += 5) {
            ASSERT_EQ(PixelOf(rows, x, y), (Rgb{30, 65, 90})) << x << ", " << y;
        }
    }
}

TEST_F(COpenGLDeviceTest, ClearOfTheDepthAloneKeepsTheColour) {
    BeginFrame();
    FillRectangle(0, 0, m_width, m_height, Red, 0.2f);
    ASSERT_EQ(m_device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, Blue, 1.0f, 0), S_OK);
    EXPECT_EQ(Centre(), RgbOf(Red));
    // The depth is 1.0 again: something behind the red rectangle now shows.
    FillRectangle(0, 0, m_width, m_height, Green, 0.9f);
    EXPECT_EQ(Centre(), RgbOf(Green));
}

TEST_F(COpenGLDeviceTest, TriangleLandsWhereWorldViewAndProjectionPutIt) {
    BeginFrame();
    D3DXMATRIX rotation, translation, world, view, projection;
    D3DXMatrixRotationY(&rotation, 0.3f);
    D3DXMatrixTranslation(&translation, -2.0f, 1.0f, 0.0f);
    world = rotation * translation;
    D3DXMATRIX viewTurn, viewMove;
    D3DXMatrixRotationZ(&viewTurn, 0.2f);
    D3DXMatrixTranslation(&viewMove, 0.5f, 0.0f, -12.0f);
    view = viewTurn * viewMove;
    D3DXMatrixPerspectiveFovRH(&projection, FieldOfView,
                               static_cast<float>(m_width) / static_cast<float>(m_height), 1.0f,
                               100.0f);
    m_device->SetTransform(D3DTS_WORLD, &world);
    m_device->SetTransform(D3DTS_VIEW, &view);
    m_device->SetTransform(D3DTS_PROJECTION, &projection);
    DrawColoured(D3DPT_TRIANGLELIST, {{0, 0.5f, 0, 0, 0, 1, Red},
                                      {0.5f, -0.5f, 0, 0, 0, 1, Red},
                                      {-0.5f, -0.5f, 0, 0, 0, 1, Red}});

    int x = 0;
    int y = 0;
    ScreenPoint(D3DXVECTOR3(0.0f, -1.0f / 6.0f, 0.0f), world * view * projection, &x, &y);
    ASSERT_GT(x, 5);
    ASSERT_LT(x, m_width / 2);
    ASSERT_GT(y, 5);
    ASSERT_LT(y, m_height / 2);
    const std::vector<std::uint8_t> rows = ReadFrame();
    EXPECT_EQ(PixelOf(rows, x, y), RgbOf(Red));
    // Upside down, or mirrored, it would lie here.
    EXPECT_EQ(PixelOf(rows, x, m_height - 1 - y), RgbOf(Background));
    EXPECT_EQ(PixelOf(rows, m_width - 1 - x, y), RgbOf(Background));
}

TEST_F(COpenGLDeviceTest, NearerTriangleWinsInEitherOrder) {
    BeginFrame();
    FillRectangle(0, 0, m_width, m_height, Red, 0.6f);
    FillRectangle(0, 0, m_width, m_height, Green, 0.4f);
    EXPECT_EQ(Centre(), RgbOf(Green));

    BeginFrame();
    FillRectangle(0, 0, m_width, m_height, Green, 0.4f);
    FillRectangle(0, 0, m_width, m_height, Red, 0.6f);
    EXPECT_EQ(Centre(), RgbOf(Green));
}

TEST_F(COpenGLDeviceTest, DepthTestPassesAtEqualDepth) {
    BeginFrame();
    FillRectangle(0, 0, m_width, m_height, Red, 0.5f);
    FillRectangle(0, 0, m_width, m_height, Green, 0.5f);
    EXPECT_EQ(Centre(), RgbOf(Green));
}

TEST_F(COpenGLDeviceTest, WithoutZEnableTheLastDrawnWins) {
    BeginFrame();
    m_device->SetRenderState(D3DRS_ZENABLE, FALSE);
    FillRectangle(0, 0, m_width, m_height, Green, 0.4f);
    FillRectangle(0, 0, m_width, m_height, Red, 0.6f);
    EXPECT_EQ(Centre(), RgbOf(Red));
}

TEST_F(COpenGLDeviceTest, DepthRangeRunsFromTheNearToTheFarPlane) {
    const float zNear = 1.0f;
    const float zFar = 100.0f;
    const struct {
        float viewZ;
        bool visible;
    } cases[] = {{-zNear * 1.01f, true},
                 {-zNear * 0.9f, false},
                 {-zFar * 0.99f, true},
                 {-zFar * 1.01f, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.viewZ);
        BeginFrame();
        SetPerspective(zNear, zFar);
        DrawTriangleAtViewDepth(c.viewZ, Red);
        EXPECT_EQ(Centre(), c.visible ? RgbOf(Red) : RgbOf(Background));
    }
}

TEST_F(COpenGLDeviceTest, CounterClockwiseCullingRemovesCounterClockwiseTriangles) {
    BeginFrame();
    m_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    DrawWoundTriangle(true, Red);
    EXPECT_EQ(Centre(), RgbOf(Red));

    BeginFrame();
    DrawWoundTriangle(false, Red);
    EXPECT_EQ(Centre(), RgbOf(Background));
}

TEST_F(COpenGLDeviceTest, NoCullingDrawsBothWindings) {
    BeginFrame();
    m_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    DrawWoundTriangle(false, Red);
    EXPECT_EQ(Centre(), RgbOf(Red));
    DrawWoundTriangle(true, Green);
    EXPECT_EQ(Centre(), RgbOf(Green));
}

TEST_F(COpenGLDeviceTest, ClockwiseCullingRemovesClockwiseTriangles) {
    BeginFrame();
    m_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    DrawWoundTriangle(true, Red);
    EXPECT_EQ(Centre(), RgbOf(Background));
    DrawWoundTriangle(false, Green);
    EXPECT_EQ(Centre(), RgbOf(Green));
}

TEST_F(COpenGLDeviceTest, VertexColoursShowWithLightingOff) {
    BeginFrame();
    FillRectangle(0, 0, m_width / 2, m_height, Red);
    FillRectangle(m_width / 2, 0, m_width, m_height, D3DCOLOR_ARGB(255, 16, 32, 48));
    EXPECT_EQ(PixelAt(m_width / 4, m_height / 2), (Rgb{255, 0, 0}));
    EXPECT_EQ(PixelAt(3 * m_width / 4, m_height / 2), (Rgb{16, 32, 48}));
}

TEST_F(COpenGLDeviceTest, FlatShadingTakesTheFirstVertexColour) {
    const std::vector<ColouredVertex> triangle = {{0.0f, 0.5f, 0.5f, 0, 0, 1, Red},
                                                  {0.5f, -0.5f, 0.5f, 0, 0, 1, Blue},
                                                  {-0.5f, -0.5f, 0.5f, 0, 0, 1, Blue}};
    BeginFrame();
    m_device->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_FLAT);
    DrawColoured(D3DPT_TRIANGLELIST, triangle);
    EXPECT_EQ(Centre(), RgbOf(Red));

    BeginFrame();
    m_device->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_GOURAUD);
    DrawColoured(D3DPT_TRIANGLELIST, triangle);
    const Rgb blended = Centre();
    EXPECT_GT(blended.r, 0);
    EXPECT_GT(blended.b, blended.r);
}

TEST_F(COpenGLDeviceTest, LineListDrawsLines) {
    BeginFrame();
    const float y = NdcY(m_height / 2.0f);
    DrawColoured(D3DPT_LINELIST, {{-1.0f, y, 0.5f, 0, 0, 1, Red}, {1.0f, y, 0.5f, 0, 0, 1, Red}});
    const std::vector<std::uint8_t> rows = ReadFrame();
    EXPECT_TRUE(PixelOf(rows, m_width / 3, m_height / 2) == RgbOf(Red) ||
                PixelOf(rows, m_width / 3, m_height / 2 - 1) == RgbOf(Red));
    EXPECT_EQ(PixelOf(rows, m_width / 3, m_height / 4), RgbOf(Background));
}

TEST_F(COpenGLDeviceTest, AlphaBlendingKeepsTheDestinationOpaque) {
    BeginFrame(Blue);
    m_device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    m_device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    m_device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    FillRectangle(0, 0, m_width, m_height, D3DCOLOR_ARGB(64, 255, 0, 0));
    EXPECT_TRUE(Centre().Near(Rgb{64, 0, 191}, 1)) << testing::PrintToString(Centre());
    EXPECT_EQ(AlphaAt(m_width / 2, m_height / 2), 255);
}

TEST_F(COpenGLDeviceTest, VertexBufferDrawsFromTheStreamSource) {
    BeginFrame();
    IDirect3DVertexBuffer9* buffer = nullptr;
    const std::vector<ColouredVertex> vertices = Rectangle(0, 0, m_width, m_height / 2, Red);
    const UINT length = static_cast<UINT>(vertices.size() * sizeof(ColouredVertex));
    ASSERT_EQ(m_device->CreateVertexBuffer(length, 0, FvfColoured, D3DPOOL_MANAGED, &buffer), S_OK);
    void* data = nullptr;
    ASSERT_EQ(buffer->Lock(0, 0, &data, 0), S_OK);
    std::memcpy(data, vertices.data(), length);
    buffer->Unlock();
    m_device->SetFVF(FvfColoured);
    m_device->SetStreamSource(0, buffer, 0, sizeof(ColouredVertex));
    // The second triangle alone: the start vertex counts in vertices.
    ASSERT_EQ(m_device->DrawPrimitive(D3DPT_TRIANGLELIST, 3, 1), S_OK);
    const std::vector<std::uint8_t> rows = ReadFrame();
    EXPECT_EQ(PixelOf(rows, 5, m_height / 2 - 5), RgbOf(Red));
    EXPECT_EQ(PixelOf(rows, m_width - 5, 5), RgbOf(Background));
    EXPECT_EQ(PixelOf(rows, 5, 3 * m_height / 4), RgbOf(Background));
    EXPECT_EQ(m_device->DrawPrimitive(D3DPT_TRIANGLELIST, 3, 2), E_INVALIDARG);
    m_device->SetStreamSource(0, nullptr, 0, 0);
    buffer->Release();
}

TEST_F(COpenGLDeviceTest, ALargeDrawIsDrawnWholeAndInOrder) {
    // Rows of one pixel, each drawn many times over: green first, red last, in one draw of
    // several times the vertices that the device hands over at once.
    std::vector<ColouredVertex> vertices;
    constexpr int rectangles = 8000;
    for (int k = 0; k < rectangles; ++k) {
        const int row = k % m_height;
        const D3DCOLOR colour = k >= rectangles - m_height ? Red : D3DCOLOR_ARGB(255, 0, 255, 0);
        const std::vector<ColouredVertex> rectangle = Rectangle(0, row, m_width, row + 1, colour);
        vertices.insert(vertices.end(), rectangle.begin(), rectangle.end());
    }
    BeginFrame();

    DrawColoured(D3DPT_TRIANGLELIST, vertices);

    const std::vector<std::uint8_t> rows = ReadFrame();
    for (int y = 0; y < m_height; ++y) {
        ASSERT_EQ(PixelOf(rows, m_width / 2, y), RgbOf(Red)) << "row " << y;
    }
}

TEST_F(COpenGLDeviceTest, VertexBufferSurvivesResetAndTheBackBufferTakesTheNewSize) {
    IDirect3DVertexBuffer9* buffer = nullptr;
    const std::vector<ColouredVertex> vertices =
        Rectangle(0, 0, m_width / 2, m_height / 2, Red); // the top-left quarter
    const UINT length = static_cast<UINT>(vertices.size() * sizeof(ColouredVertex));
    ASSERT_EQ(m_device->CreateVertexBuffer(length, 0, FvfColoured, D3DPOOL_MANAGED, &buffer), S_OK);
    void* data = nullptr;
    ASSERT_EQ(buffer->Lock(0, 0, &data, 0), S_OK);
    std::memcpy(data, vertices.data(), length);
    buffer->Unlock();
    BeginFrame();
    m_device->SetFVF(FvfColoured);
    m_device->SetStreamSource(0, buffer, 0, sizeof(ColouredVertex));
    ASSERT_EQ(m_device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), S_OK);

    D3DPRESENT_PARAMETERS parameters = PresentParameters(200, 100);
    ASSERT_EQ(m_device->Reset(&parameters), S_OK);
    m_width = 200;
    m_height = 100;
    D3DVIEWPORT9 viewport;
    ASSERT_EQ(m_device->GetViewport(&viewport), S_OK);
    EXPECT_EQ(viewport.Width, 200u);
    EXPECT_EQ(viewport.Height, 100u);
    std::vector<std::uint8_t> rows;
    EXPECT_EQ(m_device->ReadBackBuffer(201, 100, rows), E_INVALIDARG);

    BeginFrame();
    m_device->SetFVF(FvfColoured);
    ASSERT_EQ(m_device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), S_OK);
    rows = ReadFrame();
    EXPECT_EQ(rows.size(), 600u * 100u);
    EXPECT_EQ(PixelOf(rows, 95, 45), RgbOf(Red));
    EXPECT_EQ(PixelOf(rows, 105, 45), RgbOf(Background));
    EXPECT_EQ(PixelOf(rows, 95, 55), RgbOf(Background));
    m_device->SetStreamSource(0, nullptr, 0, 0);
    buffer->Release();
}

TEST_F(COpenGLDeviceTest, ReadBackBufferGivesPaddedBottomUpBgrRows) {
    CreateDevice(400, 300);
    BeginFrame(Blue);
    FillRectangle(0, 0, m_width, 10, Red);
    FillRectangle(321, 0, 322, m_height, Green);
    std::vector<std::uint8_t> rows;
    ASSERT_EQ(m_device->ReadBackBuffer(322, 100, rows), S_OK);
    const std::size_t stride = 968;
    ASSERT_EQ(rows.size(), stride * 100);
    // Row 0 is the bottom row of the region, picture row 99: blue, green at x = 321.
    EXPECT_EQ(rows[0], 255);
    EXPECT_EQ(rows[1], 0);
    EXPECT_EQ(rows[2], 0);
    EXPECT_EQ(rows[321 * 3 + 1], 255);
    EXPECT_EQ(rows[966], 0);
    EXPECT_EQ(rows[967], 0);
    // The last row is the top of the picture: red.
    const std::uint8_t* top = rows.data() + stride * 99;
    EXPECT_EQ(top[0], 0);
    EXPECT_EQ(top[1], 0);
    EXPECT_EQ(top[2], 255);
    EXPECT_EQ(rows[stride * 89 + 2], 0);
    EXPECT_EQ(rows[stride * 90 + 2], 255);
}

TEST_F(COpenGLDeviceTest, GetTransformGivesWhatWasSet) {
    D3DXMATRIX world, read;
    D3DXMatrixTranslation(&world, 1.0f, 2.0f, 3.0f);
    ASSERT_EQ(m_device->SetTransform(D3DTS_WORLD, &world), S_OK);
    ASSERT_EQ(m_device->GetTransform(D3DTS_WORLD, &read), S_OK);
    EXPECT_EQ(read, world);
}

TEST_F(COpenGLDeviceTest, ViewportIsTheWholeBackBuffer) {
    D3DVIEWPORT9 viewport;
    ASSERT_EQ(m_device->GetViewport(&viewport), S_OK);
    EXPECT_EQ(viewport.X, 0u);
    EXPECT_EQ(viewport.Y, 0u);
    EXPECT_EQ(viewport.Width, static_cast<DWORD>(Width));
    EXPECT_EQ(viewport.Height, static_cast<DWORD>(Height));
    EXPECT_EQ(viewport.MinZ, 0.0f);
    EXPECT_EQ(viewport.MaxZ, 1.0f);
}

TEST_F(COpenGLDeviceTest, UnsupportedStatesAreRefused) {
    EXPECT_EQ(m_device->SetFVF(0x0C2), E_INVALIDARG);
    EXPECT_EQ(m_device->SetRenderState(D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_COLOR1), E_INVALIDARG);
    EXPECT_EQ(m_device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1), E_INVALIDARG);
    EXPECT_EQ(m_device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE), S_OK);
    EXPECT_EQ(m_device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR), S_OK);
    EXPECT_EQ(m_device->LightEnable(1, TRUE), E_INVALIDARG);
    EXPECT_EQ(m_device->Clear(0, nullptr, 4, 0, 1.0f, 0), E_INVALIDARG);
}

TEST_F(COpenGLDeviceTest, PresentOnAHeadlessWindowLeavesTheBackBuffer) {
    BeginFrame();
    FillRectangle(0, 0, m_width, m_height, Red);
    ASSERT_EQ(m_device->EndScene(), S_OK);
    EXPECT_EQ(m_device->Present(), S_OK);
    EXPECT_EQ(Centre(), RgbOf(Red));
}

} // namespace
