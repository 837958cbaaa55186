#include "DeviceFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// The renderer's head light colours and a material with distinct channels.
constexpr D3DCOLORVALUE LightDiffuse{0.8f, 0.8f, 0.8f, 1.0f};
constexpr D3DCOLORVALUE LightAmbient{0.2f, 0.2f, 0.2f, 1.0f};
constexpr D3DCOLORVALUE MaterialDiffuse{0.5f, 0.25f, 1.0f, 1.0f};
constexpr D3DCOLORVALUE MaterialAmbient{0.5f, 0.5f, 0.5f, 1.0f};
constexpr D3DCOLOR GlobalAmbient = D3DCOLOR_ARGB(255, 64, 64, 64);

int Channel(float value) {
    return static_cast<int>(std::lround(std::clamp(value, 0.0f, 1.0f) * 255.0f));
}

// Direct3D's lighting of a surface whose normal makes cosine `facing` with the way to the
// light: ambient from the global ambient and the light's, diffuse from the light.
Rgb Lit(float facing) {
    const float ambient = 64.0f / 255.0f;
    const float diffuse = std::max(facing, 0.0f);
    const auto channel = [&](float md, float ld, float ma, float la) {
        return Channel(md * ld * diffuse + ma * (ambient + la));
    };
    return {channel(MaterialDiffuse.r, LightDiffuse.r, MaterialAmbient.r, LightAmbient.r),
            channel(MaterialDiffuse.g, LightDiffuse.g, MaterialAmbient.g, LightAmbient.g),
            channel(MaterialDiffuse.b, LightDiffuse.b, MaterialAmbient.b, LightAmbient.b)};
}

class COpenGLDeviceLightingTest : public DeviceFixture {
protected:
    void BeginLitFrame() {
        BeginFrame();
        m_device->SetRenderState(D3DRS_LIGHTING, TRUE);
        m_device->SetRenderState(D3DRS_AMBIENT, GlobalAmbient);
        m_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        m_device->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
        m_device->SetRenderState(D3DRS_LOCALVIEWER, FALSE);
        D3DMATERIAL9 material;
        material.Diffuse = MaterialDiffuse;
        material.Ambient = MaterialAmbient;
        m_device->SetMaterial(&material);
        m_device->LightEnable(0, TRUE);
    }

    void SetLight(const D3DVECTOR& direction) {
        D3DLIGHT9 light;
        light.Type = D3DLIGHT_DIRECTIONAL;
        light.Diffuse = LightDiffuse;
        light.Ambient = LightAmbient;
        light.Direction = direction;
        ASSERT_EQ(m_device->SetLight(0, &light), S_OK);
    }

    // A square over the middle of the picture at world z (depth z with identity
    // transforms), every vertex with the normal.
    void DrawSquare(float z, const D3DVECTOR& normal) {
        const auto vertex = [&](float x, float y) {
            return ColouredVertex{x, y, z, normal.x, normal.y, normal.z, 0xFF000000};
        };
        DrawColoured(D3DPT_TRIANGLELIST,
                     {vertex(-0.5f, 0.5f), vertex(0.5f, 0.5f), vertex(0.5f, -0.5f),
                      vertex(-0.5f, 0.5f), vertex(0.5f, -0.5f), vertex(-0.5f, -0.5f)});
    }

    Rgb Centre() { return PixelAt(m_width / 2, m_height / 2); }
};

TEST_F(COpenGLDeviceLightingTest, LightFacingTheSurfaceGivesDiffuseAndAmbient) {
    BeginLitFrame();
    SetLight({0.0f, 0.0f, 1.0f});
    // The light travels along +z, so it reaches a surface whose normal points along -z.
    DrawSquare(0.5f, {0.0f, 0.0f, -1.0f});
    EXPECT_TRUE(Centre().Near(Lit(1.0f), 2))
        << testing::PrintToString(Centre()) << " expected " << testing::PrintToString(Lit(1.0f));
}

TEST_F(COpenGLDeviceLightingTest, SurfaceFacingAwayGetsAmbientOnly) {
    BeginLitFrame();
    SetLight({0.0f, 0.0f, 1.0f});
    DrawSquare(0.5f, {0.0f, 0.0f, 1.0f});
    EXPECT_TRUE(Centre().Near(Lit(-1.0f), 2)) << testing::PrintToString(Centre());
}

TEST_F(COpenGLDeviceLightingTest, DiffuseFollowsTheAngleToTheLight) {
    BeginLitFrame();
    SetLight({0.0f, -1.0f, 1.0f}); // 45 degrees off the normal, not normalised
    DrawSquare(0.5f, {0.0f, 0.0f, -2.0f});
    const float facing = std::sqrt(0.5f);
    EXPECT_TRUE(Centre().Near(Lit(facing), 2)) << testing::PrintToString(Centre());
}

TEST_F(COpenGLDeviceLightingTest, LightStaysInWorldSpaceWhenTheViewTurns) {
    // Seen from the other side, the surface that faces the light is still lit, whether the
    // view is set after the light or before it.
    D3DXMATRIX turn;
    D3DXMatrixRotationY(&turn, 3.14159265f);
    for (const bool viewFirst : {false, true}) {
        SCOPED_TRACE(viewFirst);
        BeginLitFrame();
        if (viewFirst) {
            m_device->SetTransform(D3DTS_VIEW, &turn);
        }
        SetLight({0.0f, 0.0f, 1.0f});
        if (!viewFirst) {
            m_device->SetTransform(D3DTS_VIEW, &turn);
        }
        DrawSquare(-0.5f, {0.0f, 0.0f, -1.0f});
        EXPECT_TRUE(Centre().Near(Lit(1.0f), 2)) << testing::PrintToString(Centre());
    }
}

TEST_F(COpenGLDeviceLightingTest, WorldMatrixTurnsTheNormals) {
    BeginLitFrame();
    SetLight({0.0f, 0.0f, 1.0f});
    D3DXMATRIX turn;
    D3DXMatrixRotationY(&turn, 3.14159265f);
    m_device->SetTransform(D3DTS_WORLD, &turn);
    // Turned half round, the normal (0, 0, 1) points along -z, towards the light.
    DrawSquare(-0.5f, {0.0f, 0.0f, 1.0f});
    EXPECT_TRUE(Centre().Near(Lit(1.0f), 2)) << testing::PrintToString(Centre());
}

TEST_F(COpenGLDeviceLightingTest, LightDisabledLeavesAmbientOfTheGlobalAmbientOnly) {
    BeginLitFrame();
    SetLight({0.0f, 0.0f, 1.0f});
    m_device->LightEnable(0, FALSE);
    DrawSquare(0.5f, {0.0f, 0.0f, -1.0f});
    const int ambient = Channel(0.5f * 64.0f / 255.0f);
    EXPECT_TRUE(Centre().Near(Rgb{ambient, ambient, ambient}, 1))
        << testing::PrintToString(Centre());
}

TEST_F(COpenGLDeviceLightingTest, EmissiveAddsToTheLitColour) {
    BeginLitFrame();
    m_device->LightEnable(0, FALSE);
    m_device->SetRenderState(D3DRS_AMBIENT, 0);
    D3DMATERIAL9 material;
    material.Emissive = {0.25f, 0.5f, 0.75f, 1.0f};
    m_device->SetMaterial(&material);
    DrawSquare(0.5f, {0.0f, 0.0f, -1.0f});
    EXPECT_TRUE(Centre().Near(Rgb{64, 128, 191}, 1)) << testing::PrintToString(Centre());
}

TEST_F(COpenGLDeviceLightingTest, VertexAlphaIsTheMaterialDiffuseAlpha) {
    BeginLitFrame();
    m_device->SetRenderState(D3DRS_AMBIENT, 0);
    m_device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    m_device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    m_device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    D3DLIGHT9 light;
    light.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    light.Direction = {0.0f, 0.0f, 1.0f};
    m_device->SetLight(0, &light);
    D3DMATERIAL9 material;
    material.Diffuse = {1.0f, 1.0f, 1.0f, 0.25f};
    m_device->SetMaterial(&material);
    DrawSquare(0.5f, {0.0f, 0.0f, -1.0f});
    const Rgb background = RgbOf(Background);
    const auto blend = [](int over, int under) {
        return static_cast<int>(std::lround(0.25 * over + 0.75 * under));
    };
    EXPECT_TRUE(Centre().Near(
        Rgb{blend(255, background.r), blend(255, background.g), blend(255, background.b)}, 1))
        << testing::PrintToString(Centre());
}

TEST_F(COpenGLDeviceLightingTest, LightingOffShowsWhiteForVerticesWithoutColour) {
    BeginFrame();
    const std::vector<TexturedVertex> square = {
        {-1, 1, 0.5f, 0, 0, 1, 0, 0}, {1, 1, 0.5f, 0, 0, 1, 1, 0}, {1, -1, 0.5f, 0, 0, 1, 1, 1}};
    ASSERT_EQ(m_device->SetFVF(FvfTextured), S_OK);
    ASSERT_EQ(
        m_device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, square.data(), sizeof(TexturedVertex)),
        S_OK);
    EXPECT_EQ(PixelAt(m_width - 10, 10), (Rgb{255, 255, 255}));
}

} // namespace
