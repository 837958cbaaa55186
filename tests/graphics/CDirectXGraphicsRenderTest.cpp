#include "graphics/CDirectXGraphics.h"

#include "graphics/GizmoGeometry.h"
#include "platform/CFrameBuffer.h"
#include "scene/SceneGlobals.h"

#include "support/FakeDevice.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace {

using Vector = D3DXVECTOR3;
using FakeCalls::Call;

constexpr float kRadiansPerDegree = 0.017453292f;
const std::string kSubtitle = "\x8e\x9a\x96\x8b"; // "字幕" in code page 932
constexpr D3DCOLOR kBlack = 0xFF000000;

Vector Apply(const D3DXMATRIX& matrix, const Vector& point) {
    Vector out;
    D3DXVec3TransformCoord(&out, &point, &matrix);
    return out;
}

void ExpectVector(const Vector& actual, const Vector& expected, float tolerance = 1e-3f) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

void ExpectMatrix(const D3DXMATRIX& actual, const D3DXMATRIX& expected) {
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            EXPECT_NEAR(actual.m[row][column], expected.m[row][column],
                        1e-4f * (1.0f + std::fabs(expected.m[row][column])))
                << "element " << row + 1 << column + 1;
        }
    }
}

D3DXMATRIX Identity() {
    D3DXMATRIX m;
    return *D3DXMatrixIdentity(&m);
}

D3DXMATRIX Scaling(const Vector& s) {
    D3DXMATRIX m;
    return *D3DXMatrixScaling(&m, s.x, s.y, s.z);
}

D3DXMATRIX Translation(const Vector& p) {
    D3DXMATRIX m;
    return *D3DXMatrixTranslation(&m, p.x, p.y, p.z);
}

// Rotations about x, y and z by degrees.
D3DXMATRIX Rx(float degrees) {
    D3DXMATRIX m;
    return *D3DXMatrixRotationX(&m, degrees * kRadiansPerDegree);
}

D3DXMATRIX Ry(float degrees) {
    D3DXMATRIX m;
    return *D3DXMatrixRotationY(&m, degrees * kRadiansPerDegree);
}

D3DXMATRIX Rz(float degrees) {
    D3DXMATRIX m;
    return *D3DXMatrixRotationZ(&m, degrees * kRadiansPerDegree);
}

CAnimation Record(std::int32_t state, const Vector& position, const Vector& rotation,
                  const Vector& scale) {
    CAnimation record;
    record.Init(state);
    record.m_position = position;
    record.m_rotation = rotation;
    record.m_scale = scale;
    return record;
}

CCharacter CharacterAt(const Vector& position, const Vector& rotation = Vector()) {
    CCharacter character;
    character.m_keys = {Record(FrameKey, position, rotation, Vector(1, 1, 1))};
    return character;
}

// A graphics object on a fake device, its construction calls forgotten.
class RenderFixture : public FakeDirect3DTest<CDirectXGraphics> {
protected:
    RenderFixture() { device.calls.clear(); }

    // The frame's calls that show its structure.
    CallLog FrameOutline() const {
        return device.CallsNamed({"Clear", "BeginScene", "DrawPrimitive", "Sprite.Begin",
                                  "Font.DrawTextA", "Sprite.End", "EndScene", "ReadBackBuffer",
                                  "Present", "Reset"});
    }
};

// --- Construction and release ---

class CDirectXGraphicsConstructionTest : public FakeDirect3DTest<CDirectXGraphics> {};

TEST_F(CDirectXGraphicsConstructionTest, CreatesTheDeviceOnTheWindowWithTheDefaultBackBuffer) {
    ASSERT_EQ(session.direct3D.requests.size(), 1u);
    const FakeDirect3D::DeviceRequest& request = session.direct3D.requests[0];
    EXPECT_EQ(session.direct3D.modeRequests, std::vector<UINT>{0});
    EXPECT_EQ(request.adapter, 0u);
    EXPECT_EQ(request.type, D3DDEVTYPE_HAL);
    EXPECT_EQ(request.window, session.Window());
    EXPECT_EQ(request.behaviour, 0x40u);
    const D3DPRESENT_PARAMETERS& p = request.parameters;
    EXPECT_EQ(std::make_tuple(p.BackBufferWidth, p.BackBufferHeight, p.BackBufferFormat,
                              p.BackBufferCount, p.MultiSampleType, p.MultiSampleQuality),
              std::make_tuple(1024u, 768u, D3DFMT_X8R8G8B8, 0u, 0u, 0u));
    EXPECT_EQ(p.SwapEffect, D3DSWAPEFFECT_FLIP);
    EXPECT_EQ(p.hDeviceWindow, nullptr);
    EXPECT_EQ(std::make_tuple(p.Windowed, p.EnableAutoDepthStencil, p.AutoDepthStencilFormat,
                              p.Flags, p.FullScreen_RefreshRateInHz, p.PresentationInterval),
              std::make_tuple(TRUE, TRUE, D3DFMT_D16, 1u, 0u, 0u));
    EXPECT_EQ(graphics.GetDevice(), &device);
    EXPECT_EQ(graphics.m_fBackBufferWidth, 1024.0f);
    EXPECT_EQ(graphics.m_fBackBufferHeight, 768.0f);
    EXPECT_TRUE(session.messages.texts.empty());
}

TEST_F(CDirectXGraphicsConstructionTest, MakesSpriteBuffersAndFontInOrder) {
    const CallLog expected = {"CreateSprite()",
                              Call("CreateVertexBuffer", 90 * 28),
                              Call("CreateVertexBuffer", 78 * 28),
                              Call("CreateVertexBuffer", 146 * 28),
                              Call("CreateVertexBuffer", 146 * 28),
                              Call("CreateVertexBuffer", 146 * 28),
                              Call("CreateVertexBuffer", 36 * 28),
                              Call("CreateVertexBuffer", 150 * 28),
                              Call("CreateFont", 32)};
    EXPECT_EQ(device.CallsNamed({"CreateSprite", "CreateVertexBuffer", "CreateFont"}), expected);

    using namespace GizmoGeometry;
    const std::vector<GizmoVertex> contents[] = {
        GridVertices(),      MoveHandleVertices(), RingVertices(AxisX),  RingVertices(AxisY),
        RingVertices(AxisZ), BoxVertices(),        ScaleHandleVertices()};
    IDirect3DVertexBuffer9* const members[] = {
        graphics.m_pGridVB,  graphics.m_pMoveVB, graphics.m_pRingXVB, graphics.m_pRingYVB,
        graphics.m_pRingZVB, graphics.m_pBoxVB,  graphics.m_pScaleVB};
    ASSERT_EQ(device.buffers.size(), 7u);
    for (std::size_t b = 0; b < 7; ++b) {
        SCOPED_TRACE(b);
        const FakeVertexBuffer& buffer = *device.buffers[b];
        EXPECT_EQ(members[b], &buffer);
        EXPECT_EQ(std::make_tuple(device.bufferRequests[b].usage, device.bufferRequests[b].fvf,
                                  device.bufferRequests[b].pool),
                  std::make_tuple(0u, 0x52u, D3DPOOL_MANAGED));
        EXPECT_EQ(std::make_tuple(buffer.locks, buffer.unlocks), std::make_tuple(1, 1));
        ASSERT_EQ(buffer.bytes.size(), contents[b].size() * sizeof(GizmoVertex));
        EXPECT_EQ(std::memcmp(buffer.bytes.data(), contents[b].data(), buffer.bytes.size()), 0);
    }
    ASSERT_EQ(device.sprites.size(), 1u);
    ASSERT_EQ(device.fonts.size(), 1u);
    EXPECT_EQ(graphics.m_pFont, device.fonts[0].get());
    EXPECT_EQ(graphics.m_pSprite, device.sprites[0].get());
}

TEST_F(CDirectXGraphicsConstructionTest, EndsWithTheSceneDefaults) {
    EXPECT_EQ(graphics.m_nCameraMode, CameraPerspective);
    ASSERT_EQ(graphics.m_cameraKeys.size(), 1u);
    EXPECT_EQ(graphics.m_cameraKeys[0].m_position, Vector(0, -100, -1000));
    EXPECT_EQ(graphics.m_perspectiveCamera.m_rotation, Vector(30, -30, 0));
    EXPECT_EQ(graphics.m_subtitles, std::vector<std::string>{""});
    EXPECT_EQ(graphics.m_subtitleStates, std::vector<std::int32_t>{FrameKey});
    EXPECT_EQ(graphics.m_nSelected, -1);
    EXPECT_EQ(graphics.m_nMovieWidth, 320);
}

TEST(CDirectXGraphicsConstructionFallbackTest, SoftwareVertexProcessingFollowsAFailedHardwareOne) {
    FakeDirect3DSession session;
    session.direct3D.failedCreations = 1;

    CDirectXGraphics graphics(session.Window());

    ASSERT_EQ(session.direct3D.requests.size(), 2u);
    EXPECT_EQ(session.direct3D.requests[0].behaviour, 0x40u);
    EXPECT_EQ(session.direct3D.requests[1].behaviour, 0x20u);
    EXPECT_EQ(graphics.GetDevice(), &session.Device());
}

TEST(CDirectXGraphicsConstructionFallbackTest,
     WithoutADeviceTheSceneHasItsDefaultsAndDrawsNothing) {
    struct Case {
        const char* name;
        bool direct3D;
    };
    for (const Case& c : {Case{"no Direct3D", false}, Case{"no device", true}}) {
        SCOPED_TRACE(c.name);
        FakeDirect3D direct3D;
        direct3D.failedCreations = 2;
        RecordedMessages messages;
        const ScopedDirect3D installed(c.direct3D ? &direct3D : nullptr);
        FakeWindow window;
        auto graphics = std::make_unique<CDirectXGraphics>(&window);
        graphics->m_characters.push_back(CharacterAt(Vector()));
        graphics->m_nSelected = 0;

        graphics->Render(nullptr);

        EXPECT_FALSE(graphics->PickAtPoint(320, 240));
        EXPECT_EQ(graphics->GetDevice(), nullptr);
        EXPECT_EQ(graphics->m_cameraKeys.size(), 1u);
        EXPECT_EQ(graphics->m_subtitles.size(), 1u);
        EXPECT_EQ(graphics->m_nFrameCount, 900);
        EXPECT_EQ(graphics->m_nCameraMode, CameraPerspective);
        EXPECT_TRUE(messages.texts.empty());
        EXPECT_EQ(direct3D.releases, 0);
        graphics.reset();
        EXPECT_EQ(direct3D.releases, c.direct3D ? 1 : 0);
    }
}

TEST(CDirectXGraphicsConstructionFallbackTest, FailedSpriteOrFontIsReportedAndConstructionGoesOn) {
    struct Case {
        bool sprite;
        bool font;
        std::vector<std::string> messages;
    };
    const Case cases[] = {{false, true, {"ERROR CreateSprite"}},
                          {true, false, {"ERROR CreateFont"}},
                          {false, false, {"ERROR CreateSprite", "ERROR CreateFont"}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "sprite " << c.sprite << ", font " << c.font);
        FakeDirect3DSession session;
        session.direct3D.provideSprites = c.sprite;
        session.direct3D.provideFonts = c.font;

        CDirectXGraphics graphics(session.Window());

        EXPECT_EQ(session.messages.texts, c.messages);
        EXPECT_EQ(session.Device().buffers.size(), 7u);
        EXPECT_EQ(graphics.m_pSprite != nullptr, c.sprite);
        EXPECT_EQ(graphics.m_pFont != nullptr, c.font);
        EXPECT_EQ(graphics.m_nMovieHeight, 240);
    }
}

TEST(CDirectXGraphicsReleaseTest, ReleasesEveryDeviceObjectOnceBeforeTheDeviceAndDirect3DLast) {
    FakeDirect3DSession session;
    auto graphics = std::make_unique<CDirectXGraphics>(session.Window());
    graphics->Render(nullptr); // one more font
    FakeVertexBuffer characterBuffer;
    graphics->m_characters.push_back(CharacterAt(Vector()));
    graphics->m_characters[0].m_parts.emplace_back();
    graphics->m_characters[0].m_parts[0].m_pVertexBuffer = &characterBuffer;
    std::vector<int> bufferReleases, fontReleases;
    int spriteReleases = -1, direct3DReleases = -1;
    CallLog lastCalls;
    session.Device().calls.clear();
    session.Device().onDestroy = [&](const FakeDevice& device) {
        for (const auto& buffer : device.buffers) {
            bufferReleases.push_back(buffer->releases);
        }
        for (const auto& font : device.fonts) {
            fontReleases.push_back(font->releases);
        }
        spriteReleases = device.sprites.at(0)->releases;
        direct3DReleases = session.direct3D.releases;
        lastCalls = device.calls;
    };

    graphics.reset();

    EXPECT_EQ(bufferReleases, std::vector<int>(7, 1));
    EXPECT_EQ(fontReleases, (std::vector<int>{1, 1}));
    EXPECT_EQ(spriteReleases, 1);
    EXPECT_EQ(characterBuffer.releases, 1);
    EXPECT_EQ(lastCalls, (CallLog{"Font.Release()", "Sprite.Release()"}));
    EXPECT_EQ(direct3DReleases, 0);
    EXPECT_EQ(session.direct3D.releases, 1);
}

// --- Begin frame ---

using CDirectXGraphicsBeginFrameTest = RenderFixture;

TEST_F(CDirectXGraphicsBeginFrameTest, ClearsBeginsTheSceneAndSetsStatesInOrder) {
    graphics.m_crBackground = RGB(0x12, 0x34, 0x56);

    graphics.BeginFrame(100.0f, 100000.0f);

    const CallLog expected = {
        Call("Clear", D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 1.0f, 0),
        "BeginScene()",
        Call("SetRenderState", D3DRS_ZENABLE, TRUE),
        Call("SetRenderState", D3DRS_NORMALIZENORMALS, TRUE),
        Call("SetRenderState", D3DRS_ALPHABLENDENABLE, TRUE),
        Call("SetRenderState", D3DRS_DESTBLEND, 6),
        Call("SetRenderState", D3DRS_SRCBLEND, 5),
        Call("SetRenderState", D3DRS_CULLMODE, 3),
        Call("LightEnable", 0, TRUE),
        Call("SetRenderState", D3DRS_LIGHTING, TRUE),
        Call("SetRenderState", D3DRS_AMBIENT, 0xFFFFFFFFu),
        Call("SetRenderState", D3DRS_SPECULARENABLE, TRUE),
        Call("SetRenderState", D3DRS_DIFFUSEMATERIALSOURCE, 0),
        Call("SetRenderState", D3DRS_SPECULARMATERIALSOURCE, 0),
        Call("SetRenderState", D3DRS_AMBIENTMATERIALSOURCE, 0),
        Call("SetRenderState", D3DRS_EMISSIVEMATERIALSOURCE, 0),
        Call("SetRenderState", D3DRS_LOCALVIEWER, FALSE),
        Call("SetFVF", 0x112),
        Call("SetRenderState", D3DRS_SHADEMODE, 2),
        Call("SetTransform", D3DTS_PROJECTION),
    };
    EXPECT_EQ(device.CallsNamed({"Clear", "BeginScene", "SetRenderState", "LightEnable", "SetFVF",
                                 "SetTransform"}),
              expected);
    ASSERT_EQ(device.clears.size(), 1u);
    EXPECT_EQ(device.clears[0].colour, 0xFF123456u);
}

TEST_F(CDirectXGraphicsBeginFrameTest, TextureStageAndSamplerModulateAndFilterLinearly) {
    graphics.BeginFrame(100.0f, 100000.0f);

    const CallLog& calls = device.calls;
    const auto position = [&](const std::string& entry) {
        return std::find(calls.begin(), calls.end(), entry) - calls.begin();
    };
    const auto cull = position(Call("SetRenderState", D3DRS_CULLMODE, 3));
    const auto light = position(Call("LightEnable", 0, TRUE));
    const std::string stageStates[] = {Call("SetTextureStageState", 0, D3DTSS_COLOROP, 4),
                                       Call("SetTextureStageState", 0, D3DTSS_COLORARG1, 2),
                                       Call("SetTextureStageState", 0, D3DTSS_COLORARG2, 0),
                                       Call("SetTextureStageState", 0, D3DTSS_ALPHAOP, 4),
                                       Call("SetTextureStageState", 0, D3DTSS_ALPHAARG1, 2),
                                       Call("SetTextureStageState", 0, D3DTSS_ALPHAARG2, 0),
                                       Call("SetSamplerState", 0, D3DSAMP_MINFILTER, 2),
                                       Call("SetSamplerState", 0, D3DSAMP_MAGFILTER, 2)};
    for (const std::string& state : stageStates) {
        SCOPED_TRACE(state);
        const auto at = position(state);
        EXPECT_GT(at, cull);
        EXPECT_LT(at, light);
    }
    EXPECT_EQ(device.CallsNamed({"SetTextureStageState", "SetSamplerState"}).size(), 8u);
}

TEST_F(CDirectXGraphicsBeginFrameTest, ProjectionIsRightHandedFortyDegreesWithTheBackBufferAspect) {
    struct Case {
        int width;
        int height;
        float zNear;
        float zFar;
    };
    for (const Case& c : {Case{1024, 768, 100, 100000}, Case{300, 200, 1, 50}}) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
        graphics.Resize(c.width, c.height);

        graphics.BeginFrame(c.zNear, c.zFar);

        const double yScale = 1.0 / std::tan(20.0 * std::acos(-1.0) / 180.0);
        const double xScale = yScale * c.height / c.width;
        const double depth = c.zFar / (c.zNear - c.zFar);
        const D3DXMATRIX expected(float(xScale), 0, 0, 0, 0, float(yScale), 0, 0, 0, 0,
                                  float(depth), -1, 0, 0, float(c.zNear * depth), 0);
        ExpectMatrix(device.projection, expected);
    }
}

// --- Camera views and head light ---

class CDirectXGraphicsCameraViewTest : public RenderFixture {
protected:
    void SetPerspectiveCamera(const Vector& position, const Vector& rotation, const Vector& scale) {
        graphics.m_perspectiveCamera.m_position = position;
        graphics.m_perspectiveCamera.m_rotation = rotation;
        graphics.m_perspectiveCamera.m_scale = scale;
    }

    // The head light's travel: -(the perspective camera's position turned by the inverse view).
    Vector LightDirection() const {
        const D3DVECTOR& d = device.light.Direction;
        return Vector(d.x, d.y, d.z);
    }
};

struct ViewCase {
    const char* name;
    Vector position;
    Vector rotation;
    Vector scale;
    Vector world;
    Vector expected; // in view space
};

TEST_F(CDirectXGraphicsCameraViewTest, TrackViewIsScaleTranslationThenRotationsZYXNotInverted) {
    const ViewCase cases[] = {
        {"scale before translation", {10, 0, 0}, {0, 0, 0}, {2, 1, 1}, {1, 0, 0}, {12, 0, 0}},
        {"translation before rotation", {10, 0, 0}, {0, 0, 90}, {1, 1, 1}, {0, 0, 0}, {0, 10, 0}},
        {"y before x", {0, 0, 0}, {90, 90, 0}, {1, 1, 1}, {0, 0, 1}, {1, 0, 0}},
        {"z before y", {0, 0, 0}, {0, 90, 90}, {1, 1, 1}, {1, 0, 0}, {0, 1, 0}},
        {"default record", {0, -100, -1000}, {0, 0, 0}, {1, 1, 1}, {0, 100, 0}, {0, 0, -1000}},
    };
    graphics.m_nCameraMode = CameraTrack;
    for (const ViewCase& c : cases) {
        SCOPED_TRACE(c.name);
        graphics.m_cameraKeys = {Record(FrameKey, Vector(), Vector(), Vector(1, 1, 1)),
                                 Record(FrameKey, c.position, c.rotation, c.scale)};
        g_nCurrentFrame = 1;

        graphics.SetTrackCameraView();

        ExpectVector(Apply(device.view, c.world), c.expected);
        ExpectMatrix(device.view, Scaling(c.scale) * Translation(c.position) * Rz(c.rotation.z) *
                                      Ry(c.rotation.y) * Rx(c.rotation.x));
        EXPECT_EQ(graphics.m_nCameraMode, CameraTrack);
    }
}

TEST_F(CDirectXGraphicsCameraViewTest, TrackRecordIsUsedWhateverItsState) {
    graphics.m_nCameraMode = CameraTrack;
    g_nCurrentFrame = 1;
    for (const std::int32_t state : {FrameInBetween, FrameEmpty, FrameContentKey}) {
        SCOPED_TRACE(state);
        graphics.m_cameraKeys = {Record(FrameKey, Vector(), Vector(), Vector(1, 1, 1)),
                                 Record(state, Vector(5, 6, 7), Vector(), Vector(1, 1, 1))};

        graphics.SetTrackCameraView();

        ExpectVector(Apply(device.view, Vector(0, 0, 0)), Vector(5, 6, 7));
    }
}

TEST_F(CDirectXGraphicsCameraViewTest, TrackHeadLightShinesFromThePerspectiveCameraPosition) {
    graphics.m_nCameraMode = CameraTrack;
    graphics.m_cameraKeys = {Record(FrameKey, Vector(5, 6, 7), Vector(0, 0, 90), Vector(2, 2, 2))};
    SetPerspectiveCamera(Vector(100, 0, -1000), Vector(), Vector(1, 1, 1));
    g_nCurrentFrame = 0;

    graphics.SetTrackCameraView();

    // The inverse view halves and turns by -90 degrees about z; its translation is not used.
    ExpectVector(LightDirection(), Vector(0, 50, 500));
    const D3DLIGHT9& light = device.light;
    EXPECT_EQ(light.Type, D3DLIGHT_DIRECTIONAL);
    EXPECT_EQ(std::make_tuple(light.Diffuse.r, light.Diffuse.g, light.Diffuse.b, light.Diffuse.a),
              std::make_tuple(0.8f, 0.8f, 0.8f, 1.0f));
    EXPECT_EQ(
        std::make_tuple(light.Specular.r, light.Specular.g, light.Specular.b, light.Specular.a),
        std::make_tuple(0.8f, 0.8f, 0.8f, 1.0f));
    EXPECT_EQ(std::make_tuple(light.Ambient.r, light.Ambient.g, light.Ambient.b, light.Ambient.a),
              std::make_tuple(0.2f, 0.2f, 0.2f, 1.0f));
    EXPECT_EQ(std::make_tuple(light.Position.x, light.Position.y, light.Position.z),
              std::make_tuple(0.0f, 0.0f, 0.0f));
    EXPECT_EQ(std::make_tuple(light.Range, light.Falloff, light.Attenuation0, light.Attenuation1,
                              light.Attenuation2, light.Theta, light.Phi),
              std::make_tuple(10000.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 3.1415927f));
    EXPECT_EQ(device.CallsNamed({"SetLight"}), CallLog{Call("SetLight", 0)});
}

TEST_F(CDirectXGraphicsCameraViewTest, PerspectiveViewIsScaleRotationsZYXThenTranslation) {
    const ViewCase cases[] = {
        {"translation only", {0, 0, -1000}, {0, 0, 0}, {1, 1, 1}, {1, 2, 3}, {1, 2, -997}},
        {"scale, rotation, translation", {5, 0, 0}, {0, 0, 90}, {2, 1, 1}, {1, 0, 0}, {5, 2, 0}},
        {"y before x", {0, 0, 0}, {90, 90, 0}, {1, 1, 1}, {0, 0, 1}, {1, 0, 0}},
        {"z before y", {0, 0, 0}, {0, 90, 90}, {1, 1, 1}, {1, 0, 0}, {0, 1, 0}},
    };
    for (const ViewCase& c : cases) {
        SCOPED_TRACE(c.name);
        SetPerspectiveCamera(c.position, c.rotation, c.scale);

        graphics.SetPerspectiveCameraView();

        ExpectVector(Apply(device.view, c.world), c.expected);
        ExpectMatrix(device.view, Scaling(c.scale) * Rz(c.rotation.z) * Ry(c.rotation.y) *
                                      Rx(c.rotation.x) * Translation(c.position));
    }
}

TEST_F(CDirectXGraphicsCameraViewTest, PerspectiveHeadLightShinesFromItsOwnPosition) {
    SetPerspectiveCamera(Vector(100, 0, -1000), Vector(0, 0, 90), Vector(1, 1, 1));

    graphics.SetPerspectiveCameraView();

    ExpectVector(LightDirection(), Vector(0, 100, 1000));
    EXPECT_EQ(device.light.Range, 10000.0f);
}

TEST_F(CDirectXGraphicsCameraViewTest, FollowedSelectionIsMovedToTheCameraCentre) {
    graphics.m_characters = {CharacterAt(Vector(50, 0, 0)), CharacterAt(Vector(0, 0, 0))};
    graphics.m_nSelected = 0;
    graphics.m_bFollowSelection = true;
    g_nCurrentFrame = 0;
    SetPerspectiveCamera(Vector(30, 40, -1000), Vector(0, 0, 90), Vector(1, 1, 1));

    graphics.SetPerspectiveCameraView();

    EXPECT_EQ(graphics.m_perspectiveCamera.m_position, Vector(0, -100, -1000));
    ExpectVector(Apply(device.view, Vector(50, 0, 0)), Vector(0, -100, -1000));
    ExpectVector(Apply(device.view, Vector(51, 0, 0)), Vector(0, -99, -1000));
    ExpectMatrix(device.view,
                 Translation(Vector(-50, 0, 0)) * Rz(90) * Translation(Vector(0, -100, -1000)));
}

TEST_F(CDirectXGraphicsCameraViewTest, WithoutFollowSelectionTheSelectionIsNotCentred) {
    graphics.m_characters = {CharacterAt(Vector(50, 0, 0))};
    graphics.m_nSelected = 0;
    g_nCurrentFrame = 0;
    SetPerspectiveCamera(Vector(30, 40, -1000), Vector(), Vector(1, 1, 1));

    graphics.SetPerspectiveCameraView();

    EXPECT_EQ(graphics.m_perspectiveCamera.m_position, Vector(30, 40, -1000));
    ExpectVector(Apply(device.view, Vector(50, 0, 0)), Vector(80, 40, -1000));
}

TEST_F(CDirectXGraphicsCameraViewTest, FollowSelectionRecentresOncePerChangeOfSelection) {
    struct Step {
        const char* name;
        bool follow;
        int selection;
        float panX; // the user's pan before the view
        Vector expected;
    };
    const Step steps[] = {
        {"selection as at start", true, -1, 30, {30, 40, -800}},
        {"first selection", true, 0, 30, {0, -100, -800}},
        {"pan kept", true, 0, 7, {7, -100, -800}},
        {"other selection", true, 1, 7, {0, -100, -800}},
        {"selection out of the list", true, 5, 7, {0, -100, -800}},
        {"selection cleared", true, -1, 7, {0, -100, -800}},
        {"follow off", false, 0, 7, {7, -100, -800}},
        {"follow on again", true, 0, 7, {0, -100, -800}},
    };
    graphics.m_characters = {CharacterAt(Vector(50, 0, 0)), CharacterAt(Vector(0, 0, 0))};
    SetPerspectiveCamera(Vector(30, 40, -800), Vector(), Vector(1, 1, 1));
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        graphics.m_bFollowSelection = step.follow;
        graphics.m_nSelected = step.selection;
        graphics.m_perspectiveCamera.m_position.x = step.panX;

        graphics.SetPerspectiveCameraView();

        EXPECT_EQ(graphics.m_perspectiveCamera.m_position, step.expected);
    }
}

TEST_F(CDirectXGraphicsCameraViewTest, FramePastTheTrackSwitchesToThePerspectiveCameraForGood) {
    graphics.m_nCameraMode = CameraTrack;
    SetPerspectiveCamera(Vector(0, 0, -1000), Vector(), Vector(1, 1, 1));
    g_nCurrentFrame = 1; // the track holds frame 0 only

    graphics.Render(nullptr);

    EXPECT_EQ(graphics.m_nCameraMode, CameraPerspective);
    ExpectVector(Apply(device.view, Vector(0, 0, 0)), Vector(0, 0, -1000));

    g_nCurrentFrame = 0;
    graphics.Render(nullptr);

    EXPECT_EQ(graphics.m_nCameraMode, CameraPerspective);
    ExpectVector(Apply(device.view, Vector(0, 0, 0)), Vector(0, 0, -1000));
}

TEST_F(CDirectXGraphicsCameraViewTest, RenderUsesTheViewOfTheCameraMode) {
    struct Case {
        int mode;
        Vector origin; // where the world origin lands in view space
    };
    SetPerspectiveCamera(Vector(0, 0, -1000), Vector(), Vector(1, 1, 1));
    g_nCurrentFrame = 0;
    for (const Case& c : {Case{CameraTrack, {0, -100, -1000}},
                          Case{CameraPerspective, {0, 0, -1000}}, Case{5, {7, 7, 7}}}) {
        SCOPED_TRACE(c.mode);
        graphics.m_nCameraMode = c.mode;
        device.view = Translation(Vector(7, 7, 7)); // left as it is when no view is set

        graphics.Render(nullptr);

        ExpectVector(Apply(device.view, Vector(0, 0, 0)), c.origin);
    }
}

// --- The frame ---

using CDirectXGraphicsRenderTest = RenderFixture;

CallLog GridDraws() {
    CallLog draws;
    for (UINT line = 0; line < 45; ++line) {
        draws.push_back(Call("DrawPrimitive", D3DPT_LINELIST, 2 * line, 1));
    }
    return draws;
}

// The subtitle's draws at the top line y with outline offset o, as the frame outline shows them.
CallLog SubtitleDraws(int y, int o) {
    CallLog draws;
    if (o == 2) {
        for (const auto& [x, top] : {std::pair{1, y - 1}, {3, y - 1}, {1, y + 1}, {3, y + 1}}) {
            draws.push_back(Call("Font.DrawTextA", x, top));
        }
    }
    for (const auto& [x, top] : {std::pair{o, y - o}, {o, y + o}, {0, y}, {2 * o, y}, {o, y}}) {
        draws.push_back(Call("Font.DrawTextA", x, top));
    }
    return draws;
}

CallLog Concatenated(std::initializer_list<CallLog> parts) {
    CallLog all;
    for (const CallLog& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

TEST_F(CDirectXGraphicsRenderTest, EditModeDrawsGridThenClearsDepthThenHandles) {
    graphics.m_characters = {CharacterAt(Vector(1, 2, 3))};
    graphics.m_nSelected = 0;

    graphics.Render(nullptr);

    const CallLog expected =
        Concatenated({{Call("Clear", D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 1.0f, 0), "BeginScene()"},
                      GridDraws(),
                      {Call("Clear", D3DCLEAR_ZBUFFER, 1.0f, 0),
                       Call("DrawPrimitive", D3DPT_TRIANGLELIST, 0, 24),
                       Call("DrawPrimitive", D3DPT_LINELIST, 72, 3), Call("Sprite.Begin", 32)},
                      SubtitleDraws(696, 1),
                      {"Sprite.End()", "EndScene()", "Present()"}});
    EXPECT_EQ(FrameOutline(), expected);
    ASSERT_EQ(device.draws.size(), 47u);
    for (std::size_t line = 0; line < 45; ++line) {
        SCOPED_TRACE(line);
        const FakeDevice::DrawCall& draw = device.draws[line];
        EXPECT_EQ(draw.stream, graphics.m_pGridVB);
        EXPECT_EQ(std::make_tuple(draw.stride, draw.fvf, draw.lighting, draw.lightEnabled),
                  std::make_tuple(28u, 0x52u, FALSE, FALSE));
        EXPECT_EQ(draw.texture, nullptr);
        EXPECT_EQ(draw.world, Identity());
    }
    EXPECT_EQ(device.RenderState(D3DRS_SPECULARENABLE), FALSE);
    EXPECT_EQ(device.draws[45].stream, graphics.m_pMoveVB);
}

TEST_F(CDirectXGraphicsRenderTest, PlayAndRecordModesDrawNeitherGridNorHandles) {
    graphics.m_characters = {CharacterAt(Vector(1, 2, 3))};
    graphics.m_nSelected = 0;
    device.backBufferPixel = [](UINT, UINT) { return std::array<std::uint8_t, 3>{1, 2, 3}; };
    struct Case {
        int mode;
        bool frame;
        CallLog copy;
    };
    const Case cases[] = {{RunPlay, true, {}},
                          {RunRecord, false, {}},
                          {RunRecord, true, {Call("ReadBackBuffer", 320, 240)}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << " frame " << c.frame);
        graphics.m_nRunMode = c.mode;
        CFrameBuffer frame(320, 240);
        device.calls.clear();

        graphics.Render(c.frame ? &frame : nullptr);

        const int y = c.copy.empty() ? 696 : 746; // font height 40, or 12 from the movie width
        EXPECT_EQ(FrameOutline(),
                  Concatenated({{Call("Clear", D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 1.0f, 0),
                                 "BeginScene()", Call("Sprite.Begin", 32)},
                                SubtitleDraws(y, 1),
                                {"Sprite.End()", "EndScene()"},
                                c.copy,
                                {"Present()"}}));
    }
}

TEST_F(CDirectXGraphicsRenderTest, CharactersAreDrawnInListOrderBeforeTheGrid) {
    const ScratchFolder folder;
    const std::string model =
        "Metasequoia Document\nFormat Text Ver 1.0\nMaterial 1 {\n\t\"m\" col(1 1 1 1)\n}\n"
        "Object \"body\" {\n\tvertex 3 {\n\t\t0 0 0\n\t\t1 0 0\n\t\t0 1 0\n\t}\n"
        "\tface 1 {\n\t\t3 V(0 1 2) M(0)\n\t}\n}\n";
    for (const char* name : {"a.mqo", "b.mqo", "c.mqo"}) {
        ASSERT_TRUE(graphics.ImportCharacter(folder.Write(name, model)));
    }
    graphics.m_characters[1].m_bShown = false; // "b"
    device.calls.clear();

    graphics.Render(nullptr);

    ASSERT_GE(device.draws.size(), 47u);
    EXPECT_EQ(device.draws[0].stream, graphics.m_characters[0].m_parts[0].m_pVertexBuffer);
    EXPECT_EQ(device.draws[1].stream, graphics.m_characters[2].m_parts[0].m_pVertexBuffer);
    EXPECT_EQ(device.draws[2].stream, graphics.m_pGridVB);
    EXPECT_EQ(device.draws[0].primitives, 1u);
    EXPECT_EQ(device.draws[0].lighting, TRUE);
}

struct SubtitleCase {
    const char* name;
    int runMode;
    bool recordFrame;
    bool antiAlias;
    int backBufferWidth;
    int backBufferHeight;
    int fontHeight;
    int top;
    int outline;
};

TEST_F(CDirectXGraphicsRenderTest, SubtitleIsOutlinedAcrossTheBottomOfThePicture) {
    const SubtitleCase cases[] = {
        {"edit", RunEdit, false, false, 1024, 768, 40, 696, 1},
        {"play, other size", RunPlay, false, false, 810, 450, 32, 392, 1},
        {"record mode without a frame", RunRecord, false, true, 1024, 768, 40, 696, 1},
        {"recording", RunRecord, true, false, 320, 240, 12, 218, 1},
        {"recording into a larger back buffer", RunRecord, true, false, 1024, 768, 12, 746, 1},
        {"recording with anti-aliasing", RunRecord, true, true, 640, 480, 25, 435, 2},
    };
    graphics.SetSubtitle(kSubtitle, 0);
    graphics.m_crFont = RGB(10, 20, 30);
    graphics.m_nMovieWidth = 320;
    graphics.m_nMovieHeight = 240;
    device.backBufferPixel = [](UINT, UINT) { return std::array<std::uint8_t, 3>{0, 0, 0}; };
    g_nCurrentFrame = 0;
    for (const SubtitleCase& c : cases) {
        SCOPED_TRACE(c.name);
        graphics.m_nRunMode = c.runMode;
        graphics.m_bAntiAlias = c.antiAlias;
        graphics.Resize(c.backBufferWidth, c.backBufferHeight);
        CFrameBuffer frame(320, 240);

        graphics.Render(c.recordFrame ? &frame : nullptr);

        const FakeFont& font = *device.fonts.back();
        EXPECT_EQ(font.description.Height, c.fontHeight);
        std::vector<std::tuple<std::string, int, int, int, int, DWORD, D3DCOLOR, int>> draws;
        for (const FakeFont::TextDraw& d : font.draws) {
            draws.emplace_back(d.text, d.rectangle.left, d.rectangle.top,
                               d.rectangle.right - d.rectangle.left,
                               d.rectangle.bottom - d.rectangle.top, d.format, d.colour, d.count);
            EXPECT_EQ(d.sprite, graphics.m_pSprite);
        }
        std::vector<std::tuple<std::string, int, int, int, int, DWORD, D3DCOLOR, int>> expected;
        const int y = c.top, o = c.outline;
        std::vector<std::pair<int, int>> outline;
        if (o == 2) {
            outline = {{1, y - 1}, {3, y - 1}, {1, y + 1}, {3, y + 1}};
        }
        outline.insert(outline.end(), {{o, y - o}, {o, y + o}, {0, y}, {2 * o, y}});
        for (const auto& [x, top] : outline) {
            expected.emplace_back(kSubtitle, x, top, c.backBufferWidth, c.backBufferHeight,
                                  DT_CENTER, kBlack, -1);
        }
        expected.emplace_back(kSubtitle, o, y, c.backBufferWidth, c.backBufferHeight, DT_CENTER,
                              0xFF0A141Eu, -1);
        EXPECT_EQ(draws, expected);
    }
}

TEST_F(CDirectXGraphicsRenderTest, TopLineUsesTheWholePixelsOfTheBackBufferHeight) {
    graphics.m_fBackBufferWidth = 990.0f; // font height 39
    graphics.m_fBackBufferHeight = 700.5f;

    graphics.Render(nullptr);

    ASSERT_EQ(device.fonts.back()->description.Height, 39);
    EXPECT_EQ(device.fonts.back()->draws.back().rectangle.top, 629); // int(700 - 70.2)
}

TEST_F(CDirectXGraphicsRenderTest, EmptySubtitleIsDrawnAllTheSame) {
    g_nCurrentFrame = 40; // past the subtitle track

    graphics.Render(nullptr);

    ASSERT_EQ(device.fonts.back()->draws.size(), 5u);
    for (const FakeFont::TextDraw& draw : device.fonts.back()->draws) {
        EXPECT_EQ(draw.text, "");
    }
}

TEST_F(CDirectXGraphicsRenderTest, FontIsMadeAnewForEveryFrame) {
    graphics.Render(nullptr);
    graphics.Resize(510, 400);
    graphics.Render(nullptr);

    ASSERT_EQ(device.fonts.size(), 3u);
    EXPECT_EQ(device.fonts[0]->releases, 1);
    EXPECT_EQ(device.fonts[1]->releases, 1);
    EXPECT_EQ(device.fonts[2]->releases, 0);
    EXPECT_EQ(graphics.m_pFont, device.fonts[2].get());
    const D3DXFONT_DESCA& d = device.fonts[2]->description;
    EXPECT_EQ(std::make_tuple(d.Height, d.Width, d.Weight, d.MipLevels, d.Italic),
              std::make_tuple(20, 0u, 400u, 0xFFFFFFFFu, FALSE));
    EXPECT_EQ(std::make_tuple(d.CharSet, d.OutputPrecision, d.Quality, d.PitchAndFamily),
              std::make_tuple(BYTE{128}, BYTE{0}, BYTE{0}, BYTE{0}));
    EXPECT_STREQ(d.FaceName,
                 "\x82\x6c\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4e"); // ＭＳ ゴシック
    EXPECT_EQ(graphics.m_fontDesc.Height, 20);
}

TEST_F(CDirectXGraphicsRenderTest, FailedFontSkipsTheSubtitleButEndsCopiesAndPresents) {
    graphics.m_nRunMode = RunRecord;
    device.provideFonts = false;
    device.backBufferPixel = [](UINT, UINT) { return std::array<std::uint8_t, 3>{9, 9, 9}; };
    CFrameBuffer frame(320, 240);

    graphics.Render(&frame);

    EXPECT_EQ(session.messages.texts, std::vector<std::string>{"ERROR CreateFont"});
    EXPECT_EQ(FrameOutline(),
              (CallLog{Call("Clear", D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 1.0f, 0), "BeginScene()",
                       "EndScene()", Call("ReadBackBuffer", 320, 240), "Present()"}));
    EXPECT_EQ(frame.Bits().front(), 9);
}

TEST_F(CDirectXGraphicsRenderTest, RecordingCopiesTheMovieSizeFromTheBackBuffer) {
    // Back-buffer pixels as 2 x 2 blocks with anti-aliasing, so that the halftone shrink gives
    // each block's colour.
    const auto colour = [](UINT column, UINT row) {
        return std::array<std::uint8_t, 3>{std::uint8_t(column), std::uint8_t(row),
                                           std::uint8_t(column * 7 + row)};
    };
    graphics.m_nRunMode = RunRecord;
    graphics.m_nMovieWidth = 90; // rows of 270 bytes padded to 272
    graphics.m_nMovieHeight = 60;
    for (const bool antiAlias : {false, true}) {
        SCOPED_TRACE(antiAlias);
        const UINT factor = antiAlias ? 2 : 1;
        graphics.m_bAntiAlias = antiAlias;
        device.backBufferPixel = [colour, factor](UINT column, UINT row) {
            return colour(column / factor, row / factor);
        };
        device.calls.clear();
        CFrameBuffer frame(90, 60);

        graphics.Render(&frame);

        EXPECT_EQ(device.CallsNamed({"ReadBackBuffer"}),
                  CallLog{Call("ReadBackBuffer", 90 * factor, 60 * factor)});
        std::vector<std::uint8_t> expected(272 * 60, 0);
        for (UINT row = 0; row < 60; ++row) {
            for (UINT column = 0; column < 90; ++column) {
                const auto pixel = colour(column, row);
                std::memcpy(&expected[272 * row + 3 * column], pixel.data(), 3);
            }
        }
        EXPECT_EQ(frame.Bits(), expected);
    }
}

TEST_F(CDirectXGraphicsRenderTest, MovieLargerThanTheBackBufferGetsThePartThatExistsAndPresents) {
    const auto colour = [](UINT column, UINT row) {
        return std::array<std::uint8_t, 3>{std::uint8_t(column), std::uint8_t(row), 200};
    };
    struct Case {
        bool antiAlias;
        UINT backWidth, backHeight;
        // The frame's pixels that come from the back buffer.
        UINT copiedWidth, copiedHeight;
    };
    graphics.m_nRunMode = RunRecord;
    graphics.m_nMovieWidth = 90;
    graphics.m_nMovieHeight = 60;
    for (const Case& c :
         {Case{false, 50, 40, 50, 40}, Case{false, 120, 30, 90, 30}, Case{true, 101, 61, 50, 30}}) {
        SCOPED_TRACE(testing::Message()
                     << c.antiAlias << " " << c.backWidth << "x" << c.backHeight);
        const UINT factor = c.antiAlias ? 2 : 1;
        graphics.m_bAntiAlias = c.antiAlias;
        graphics.Resize(static_cast<int>(c.backWidth), static_cast<int>(c.backHeight));
        // The read gives the top rows of the back buffer, bottom row first.
        device.backBufferPixel = [&](UINT column, UINT row) {
            return colour(column / factor, (c.backHeight - 1 - row) / factor);
        };
        device.calls.clear();
        CFrameBuffer frame(90, 60);
        frame.Copy(std::vector<std::uint8_t>(frame.Bits().size(), 7)); // the frame before
        const std::vector<std::uint8_t> before = frame.Bits();

        graphics.Render(&frame);

        EXPECT_EQ(device.CallsNamed({"ReadBackBuffer", "Present"}),
                  (CallLog{Call("ReadBackBuffer", std::min(90 * factor, c.backWidth),
                                std::min(60 * factor, c.backHeight)),
                           "Present()"}));
        std::vector<std::uint8_t> expected = before;
        for (UINT top = 0; top < c.copiedHeight; ++top) {
            for (UINT column = 0; column < c.copiedWidth; ++column) {
                const auto pixel = colour(column, top);
                std::memcpy(&expected[272 * (59 - top) + 3 * column], pixel.data(), 3);
            }
        }
        EXPECT_EQ(frame.Bits(), expected);
    }
}

TEST_F(CDirectXGraphicsRenderTest, FailedBackBufferReadEndsTheFrameWithoutPresenting) {
    graphics.m_nRunMode = RunRecord;
    CFrameBuffer frame(320, 240);

    graphics.Render(&frame); // the device gives no back buffer

    const CallLog outline = FrameOutline();
    ASSERT_GE(outline.size(), 2u);
    EXPECT_EQ(outline[outline.size() - 2], "EndScene()");
    EXPECT_EQ(outline.back(), Call("ReadBackBuffer", 320, 240));
    EXPECT_EQ(frame.Bits(), std::vector<std::uint8_t>(frame.Bits().size(), 0));
}

TEST_F(CDirectXGraphicsRenderTest, FailedPresentIsAnsweredByOneReset) {
    graphics.Resize(640, 360);
    device.failPresent = true;
    device.resets.clear();
    device.calls.clear();

    graphics.Render(nullptr);

    const CallLog& calls = device.calls;
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls[calls.size() - 2], "Present()");
    EXPECT_EQ(calls.back(), Call("Reset", 640, 360));
    ASSERT_EQ(device.resets.size(), 1u);
    EXPECT_EQ(device.resets[0].AutoDepthStencilFormat, D3DFMT_D16);
    EXPECT_TRUE(
        device.CallsNamed({"Sprite.OnLostDevice", "Font.OnLostDevice", "Sprite.OnResetDevice"})
            .empty());
}

// --- Handles ---

class CDirectXGraphicsDrawGizmoTest : public RenderFixture {
protected:
    CDirectXGraphicsDrawGizmoTest() {
        graphics.m_characters = {CharacterAt(Vector(10, 20, 30), Vector(30, 45, 60))};
        graphics.m_nSelected = 0;
        g_nCurrentFrame = 0;
    }

    std::vector<D3DXMATRIX> StoredMatrices() const {
        return {graphics.m_matRingX, graphics.m_matRingY, graphics.m_matRingZ,
                graphics.m_matHandle};
    }
};

TEST_F(CDirectXGraphicsDrawGizmoTest, NothingIsDrawnWithoutAShownUnlockedSelection) {
    struct Case {
        const char* name;
        int selection;
        bool shown;
        bool locked;
    };
    const Case cases[] = {{"no selection", -1, true, false},
                          {"selection past the list", 1, true, false},
                          {"hidden", 0, false, false},
                          {"locked", 0, true, true}};
    const D3DXMATRIX marker = Translation(Vector(1, 2, 3));
    graphics.m_matRingX = graphics.m_matRingY = graphics.m_matRingZ = graphics.m_matHandle = marker;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        graphics.m_nSelected = c.selection;
        graphics.m_characters[0].m_bShown = c.shown;
        graphics.m_characters[0].m_bLocked = c.locked;
        for (const int mode : {EditMove, EditRotate, EditScale}) {
            graphics.m_nEditMode = mode;

            graphics.DrawGizmo();

            EXPECT_EQ(device.calls, CallLog());
            EXPECT_EQ(StoredMatrices(), std::vector<D3DXMATRIX>(4, marker));
        }
    }
}

TEST_F(CDirectXGraphicsDrawGizmoTest, HandleMatricesFollowEditModeAndCamera) {
    const D3DXMATRIX t = Translation(Vector(10, 20, 30));
    const D3DXMATRIX rx = Rx(30), ry = Ry(45), rz = Rz(60);
    graphics.m_perspectiveCamera.m_scale = Vector(2, 4, 0.5f);
    struct Case {
        int camera;
        D3DXMATRIX s;
    };
    const Case cameras[] = {{CameraPerspective, Scaling(Vector(0.6f, 0.3f, 2.4f))},
                            {CameraTrack, Scaling(Vector(1.5f, 1.5f, 1.5f))}};
    for (const Case& c : cameras) {
        SCOPED_TRACE(c.camera);
        graphics.m_nCameraMode = c.camera;

        graphics.m_nEditMode = EditMove;
        graphics.DrawGizmo();
        ExpectMatrix(graphics.m_matHandle, c.s * t);

        graphics.m_nEditMode = EditScale;
        graphics.DrawGizmo();
        ExpectMatrix(graphics.m_matHandle, rz * rx * ry * c.s * t);

        graphics.m_nEditMode = EditRotate;
        graphics.DrawGizmo();
        ExpectMatrix(graphics.m_matRingY, ry * c.s * t);
        ExpectMatrix(graphics.m_matRingX, rx * ry * c.s * t);
        ExpectMatrix(graphics.m_matRingZ, rz * rx * ry * c.s * t);
        ExpectMatrix(graphics.m_matHandle, rz * rx * ry * c.s * t);
    }
}

TEST_F(CDirectXGraphicsDrawGizmoTest, HandlesAreScaledByCameraAndTurnedLikeAGimbal) {
    struct PointCase {
        const char* name;
        int editMode;
        int camera;
        Vector cameraScale;
        Vector rotation;
        D3DXMATRIX CDirectXGraphics::*matrix;
        Vector handlePoint;
        Vector expected;
    };
    const PointCase cases[] = {
        {"move, perspective scale 2",
         EditMove,
         CameraPerspective,
         {2, 2, 2},
         {0, 0, 90},
         &CDirectXGraphics::m_matHandle,
         {100, 0, 0},
         {70, 20, 30}},
        {"move, track",
         EditMove,
         CameraTrack,
         {2, 2, 2},
         {0, 0, 90},
         &CDirectXGraphics::m_matHandle,
         {100, 0, 0},
         {160, 20, 30}},
        {"scale handle turns with z",
         EditScale,
         CameraTrack,
         {1, 1, 1},
         {0, 0, 90},
         &CDirectXGraphics::m_matHandle,
         {100, 0, 0},
         {10, 170, 30}},
        {"y ring ignores x",
         EditRotate,
         CameraTrack,
         {1, 1, 1},
         {90, 0, 0},
         &CDirectXGraphics::m_matRingY,
         {0, 100, 0},
         {10, 170, 30}},
        {"x ring turns with y",
         EditRotate,
         CameraTrack,
         {1, 1, 1},
         {0, 90, 0},
         &CDirectXGraphics::m_matRingX,
         {100, 0, 0},
         {10, 20, -120}},
        {"z ring turns with x",
         EditRotate,
         CameraTrack,
         {1, 1, 1},
         {90, 0, 0},
         &CDirectXGraphics::m_matRingZ,
         {0, 100, 0},
         {10, 20, 180}},
        {"z ring turns with z first",
         EditRotate,
         CameraTrack,
         {1, 1, 1},
         {90, 0, 90},
         &CDirectXGraphics::m_matRingZ,
         {100, 0, 0},
         {10, 20, 180}},
        {"box in the z ring's space",
         EditRotate,
         CameraPerspective,
         {1, 1, 1},
         {90, 0, 90},
         &CDirectXGraphics::m_matHandle,
         {100, 0, 0},
         {10, 20, 150}},
    };
    for (const PointCase& c : cases) {
        SCOPED_TRACE(c.name);
        graphics.m_characters[0].m_keys[0].m_rotation = c.rotation;
        graphics.m_perspectiveCamera.m_scale = c.cameraScale;
        graphics.m_nCameraMode = c.camera;
        graphics.m_nEditMode = c.editMode;

        graphics.DrawGizmo();

        ExpectVector(Apply(graphics.*c.matrix, c.handlePoint), c.expected);
    }
}

TEST_F(CDirectXGraphicsDrawGizmoTest, FramePastTheKeysPutsHandlesUnrotatedAtTheOrigin) {
    graphics.m_nCameraMode = CameraTrack;
    graphics.m_nEditMode = EditScale;
    g_nCurrentFrame = 1;

    graphics.DrawGizmo();

    ExpectMatrix(graphics.m_matHandle, Scaling(Vector(1.5f, 1.5f, 1.5f)));
}

TEST_F(CDirectXGraphicsDrawGizmoTest, EachModeDrawsItsBuffersWithTheStoredMatrices) {
    struct Expected {
        IDirect3DVertexBuffer9* buffer;
        D3DPRIMITIVETYPE type;
        UINT start;
        UINT primitives;
        const D3DXMATRIX* world;
    };
    const CDirectXGraphics& g = graphics;
    const std::pair<int, std::vector<Expected>> modes[] = {
        {EditMove,
         {{g.m_pMoveVB, D3DPT_TRIANGLELIST, 0, 24, &g.m_matHandle},
          {g.m_pMoveVB, D3DPT_LINELIST, 72, 3, &g.m_matHandle}}},
        {EditRotate,
         {{g.m_pRingYVB, D3DPT_TRIANGLELIST, 0, 48, &g.m_matRingY},
          {g.m_pRingYVB, D3DPT_LINELIST, 144, 1, &g.m_matRingY},
          {g.m_pRingXVB, D3DPT_TRIANGLELIST, 0, 48, &g.m_matRingX},
          {g.m_pRingXVB, D3DPT_LINELIST, 144, 1, &g.m_matRingX},
          {g.m_pRingZVB, D3DPT_TRIANGLELIST, 0, 48, &g.m_matRingZ},
          {g.m_pRingZVB, D3DPT_LINELIST, 144, 1, &g.m_matRingZ},
          {g.m_pBoxVB, D3DPT_TRIANGLELIST, 0, 12, &g.m_matHandle}}},
        {EditScale,
         {{g.m_pScaleVB, D3DPT_TRIANGLELIST, 0, 48, &g.m_matHandle},
          {g.m_pScaleVB, D3DPT_LINELIST, 144, 3, &g.m_matHandle}}},
    };
    FakeTexture leftOver; // a texture that a character draw left set
    for (const auto& [mode, expected] : modes) {
        SCOPED_TRACE(mode);
        graphics.m_nEditMode = mode;
        device.draws.clear();
        device.calls.clear();
        device.texture = &leftOver;

        graphics.DrawGizmo();

        // Each buffer: world set and read back, no texture, the buffer as stream 0, draws.
        CallLog calls;
        for (std::size_t i = 0; i < expected.size(); ++i) {
            if (i == 0 || expected[i].buffer != expected[i - 1].buffer) {
                calls.insert(calls.end(),
                             {Call("SetTransform", D3DTS_WORLD), Call("GetTransform", D3DTS_WORLD),
                              Call("SetTexture", 0, 0), Call("SetStreamSource", 0, 0, 28)});
            }
            calls.push_back(
                Call("DrawPrimitive", expected[i].type, expected[i].start, expected[i].primitives));
        }
        EXPECT_EQ(device.calls, calls);
        ASSERT_EQ(device.draws.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            SCOPED_TRACE(i);
            const FakeDevice::DrawCall& draw = device.draws[i];
            EXPECT_EQ(
                std::make_tuple(draw.stream, draw.type, draw.start, draw.primitives, draw.stride),
                std::make_tuple(expected[i].buffer, expected[i].type, expected[i].start,
                                expected[i].primitives, 28u));
            EXPECT_EQ(draw.world, *expected[i].world);
            EXPECT_EQ(draw.texture, nullptr);
        }
    }
}

} // namespace
