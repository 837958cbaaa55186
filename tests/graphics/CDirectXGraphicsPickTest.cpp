#include "graphics/CDirectXGraphics.h"

#include "scene/SceneGlobals.h"

#include "support/FakeDevice.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstddef>
#include <string>
#include <tuple>
#include <vector>

namespace {

using Vector = D3DXVECTOR3;

constexpr float kPi = 3.14159265f;
constexpr float kRadiansPerDegree = 0.017453292f;

D3DXMATRIX Translation(float x, float y, float z) {
    D3DXMATRIX m;
    return *D3DXMatrixTranslation(&m, x, y, z);
}

D3DXMATRIX UniformScaling(float s) {
    D3DXMATRIX m;
    return *D3DXMatrixScaling(&m, s, s, s);
}

D3DXMATRIX RotationY(float degrees) {
    D3DXMATRIX m;
    return *D3DXMatrixRotationY(&m, degrees * kRadiansPerDegree);
}

Vector Cross(const Vector& a, const Vector& b) {
    Vector out;
    return *D3DXVec3Cross(&out, &a, &b);
}

Vector Normalized(const Vector& v) {
    Vector out;
    return *D3DXVec3Normalize(&out, &v);
}

// A right-handed view from the eye towards a point, y up.
D3DXMATRIX LookAt(const Vector& eye, const Vector& at) {
    const Vector z = Normalized(eye - at);
    const Vector x = Normalized(Cross(Vector(0, 1, 0), z));
    const Vector y = Cross(z, x);
    return D3DXMATRIX(x.x, y.x, z.x, 0, x.y, y.y, z.y, 0, x.z, y.z, z.z, 0, -D3DXVec3Dot(&x, &eye),
                      -D3DXVec3Dot(&y, &eye), -D3DXVec3Dot(&z, &eye), 1);
}

struct Pixel {
    int x;
    int y;
};

// Point in handle units -> the pixel of the view where it shows, through the device's
// transforms and viewport.
class Screen {
public:
    explicit Screen(const FakeDevice& device) : m_device(device) {}

    Pixel Of(const D3DXMATRIX& world, const Vector& point) const {
        const D3DXMATRIX all = world * m_device.view * m_device.projection;
        Vector ndc;
        D3DXVec3TransformCoord(&ndc, &point, &all);
        const auto width = static_cast<float>(m_device.viewport.Width);
        const auto height = static_cast<float>(m_device.viewport.Height);
        return {static_cast<int>(std::lround((ndc.x + 1) * width / 2)),
                static_cast<int>(std::lround((1 - ndc.y) * height / 2))};
    }

private:
    const FakeDevice& m_device;
};

// The middle of the band of a ring between stations s and s + 1, in handle units: inside
// the band, halfway between the two stations' cross-section centres (radius 85).
Vector RingBandPoint(int axis, int s) {
    Vector sum;
    for (const int station : {s, s + 1}) {
        const float t = station * 45.0f * kPi / 180.0f;
        const float c = 85.0f * std::cos(t), n = 85.0f * std::sin(t);
        const Vector p = axis == 0   ? Vector(0, -c, n)
                         : axis == 1 ? Vector(c, 0, n)
                                     : Vector(-n, -c, 0);
        sum = sum + p;
    }
    return sum * 0.5f;
}

const Vector kHeadCentres[] = {
    {85, 0, 0}, {0, 85, 0}, {0, 0, 85}}; // inside arrow head and end cube

class GizmoPickFixture : public FakeDirect3DTest<CDirectXGraphics> {
protected:
    GizmoPickFixture() {
        D3DXMatrixPerspectiveFovRH(&device.projection, 0.6981317f, 640.0f / 480.0f, 1.0f, 10000.0f);
        device.view = LookAt(kEye, Vector(0, 0, 0));
        graphics.m_characters.resize(1);
        graphics.m_characters[0].m_keys.resize(1);
        graphics.m_nSelected = 0;
        g_nCurrentFrame = 0;
    }

    // Draws the handles of an edit mode for the selected character as a frame would.
    void DrawHandles(int editMode, const Vector& rotation = Vector()) {
        graphics.m_nEditMode = editMode;
        graphics.m_characters[0].m_keys[0].m_rotation = rotation;
        graphics.DrawGizmo();
    }

    int HitAt(const D3DXMATRIX& world, const Vector& point) {
        const Pixel pixel = screen.Of(world, point);
        return graphics.HitTestGizmo(pixel.x, pixel.y, &device);
    }

    static inline const Vector kEye{300, 250, 400};
    Screen screen{device};
};

// --- Hit test ---

using CDirectXGraphicsHitTestGizmoTest = GizmoPickFixture;

TEST_F(CDirectXGraphicsHitTestGizmoTest, MoveModeFindsEachArrowHeadAndTheCentreCube) {
    DrawHandles(EditMove);
    struct Case {
        const char* name;
        Vector point;
        int expected;
    };
    const Case cases[] = {{"x arrow", kHeadCentres[0], 0}, {"y arrow", kHeadCentres[1], 1},
                          {"z arrow", kHeadCentres[2], 2}, {"x tip", {97, 0, 0}, 0},
                          {"centre cube", {0, 0, 0}, 3},   {"x axis line", {40, 0, 0}, -1},
                          {"y axis line", {0, 40, 0}, -1}, {"beside the tip", {112, 0, 0}, -1}};
    for (const DWORD offset : {0u, 100u}) {
        device.viewport.X = device.viewport.Y = offset; // the offsets play no part
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << c.name << ", viewport offset " << offset);
            EXPECT_EQ(HitAt(graphics.m_matHandle, c.point), c.expected);
        }
    }
}

TEST_F(CDirectXGraphicsHitTestGizmoTest, ScaleModeFindsEachEndCubeAndTheCentreCube) {
    DrawHandles(EditScale, Vector(0, 30, 0));
    struct Case {
        const char* name;
        Vector point;
        int expected;
    };
    const Case cases[] = {{"x cube", kHeadCentres[0], 0},  {"y cube", kHeadCentres[1], 1},
                          {"z cube", kHeadCentres[2], 2},  {"centre cube", {0, 0, 0}, 3},
                          {"x axis line", {40, 0, 0}, -1}, {"past the x cube", {100, 0, 0}, -1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(HitAt(graphics.m_matHandle, c.point), c.expected);
    }
}

TEST_F(CDirectXGraphicsHitTestGizmoTest, RotateModeFindsEachRingWithItsOwnMatrix) {
    DrawHandles(EditRotate, Vector(20, 30, 40));
    const D3DXMATRIX* rings[] = {&graphics.m_matRingX, &graphics.m_matRingY, &graphics.m_matRingZ};
    for (int ring = 0; ring < 3; ++ring) {
        // The segment of the ring nearest the eye, where no other ring lies in front.
        int nearest = 0;
        float best = -1e9f;
        for (int s = 0; s < 8; ++s) {
            Vector world;
            const Vector point = RingBandPoint(ring, s);
            D3DXVec3TransformCoord(&world, &point, rings[ring]);
            const Vector towardsEye = Normalized(kEye);
            const float closeness = D3DXVec3Dot(&world, &towardsEye);
            if (closeness > best) {
                best = closeness;
                nearest = s;
            }
        }
        SCOPED_TRACE(testing::Message() << "ring " << ring << " segment " << nearest);

        EXPECT_EQ(HitAt(*rings[ring], RingBandPoint(ring, nearest)), ring);
    }
    EXPECT_EQ(graphics.m_matHandle, graphics.m_matRingZ);
    EXPECT_EQ(HitAt(graphics.m_matHandle, Vector(0, 0, 0)), 3);
    EXPECT_EQ(HitAt(graphics.m_matRingX, Vector(40, 0, 0)), -1); // the x ring's axis line
}

TEST_F(CDirectXGraphicsHitTestGizmoTest, OverlappingHeadsGoToTheEarlierAxisWhateverTheDepth) {
    struct Case {
        int editMode;
        int earlier;
        int later;
    };
    const Case cases[] = {{EditMove, 0, 1},  {EditMove, 1, 2},  {EditMove, 0, 2},
                          {EditScale, 0, 1}, {EditScale, 1, 2}, {EditScale, 0, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "mode " << c.editMode << ": axes " << c.earlier << ", " << c.later);
        DrawHandles(c.editMode);
        Vector earlier, later;
        D3DXVec3TransformCoord(&earlier, &kHeadCentres[c.earlier], &graphics.m_matHandle);
        D3DXVec3TransformCoord(&later, &kHeadCentres[c.later], &graphics.m_matHandle);
        // The eye looks through the later axis's head, which is nearer, onto the earlier one's.
        const Vector eye = later + (later - earlier) * 3.0f;
        device.view = LookAt(eye, earlier);

        EXPECT_EQ(graphics.HitTestGizmo(320, 240, &device), c.earlier);
    }
}

TEST_F(CDirectXGraphicsHitTestGizmoTest, OverlappingRingsGoToTheNearerOne) {
    // Camera at the origin looking down -z. The x ring is turned into the xy plane like the
    // z ring, and both are sized to cover the same pixels at different depths; the y ring
    // and the centre cube are far aside.
    device.view = Translation(0, 0, 0);
    graphics.m_nEditMode = EditRotate;
    graphics.m_matRingY = Translation(5000, 0, -400);
    graphics.m_matHandle = Translation(5000, 0, -400);
    struct Case {
        const char* name;
        float zDepth;
        float xDepth;
        int expected;
    };
    const Case cases[] = {{"z ring nearer", 400, 440, 2}, {"x ring nearer", 440, 400, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        graphics.m_matRingZ = UniformScaling(c.zDepth / 400) * Translation(0, 0, -c.zDepth);
        graphics.m_matRingX =
            RotationY(90) * UniformScaling(c.xDepth / 400) * Translation(0, 0, -c.xDepth);
        // The z ring's segment 0 and the x ring's segment 7 fall on the same pixels.
        const Pixel z = screen.Of(graphics.m_matRingZ, RingBandPoint(2, 0));
        const Pixel x = screen.Of(graphics.m_matRingX, RingBandPoint(0, 7));
        ASSERT_EQ(std::make_tuple(z.x, z.y), std::make_tuple(x.x, x.y));

        EXPECT_EQ(graphics.HitTestGizmo(z.x, z.y, &device), c.expected);
    }
}

TEST_F(CDirectXGraphicsHitTestGizmoTest, RingsHitAtTheSameDistanceGoToTheEarlierRing) {
    // The x ring turned exactly onto the z ring: (x, y, z) becomes (-z, y, x), so both
    // rings have the same triangles in the same order. The camera looks down -z through the
    // centre of the z ring's second triangle (outer +3 and inner point of station 0, inner
    // point of station 1), whose edges keep the arithmetic of both rings alike, so that both
    // distances are exactly 399; the y ring and the centre cube are far aside.
    device.view = Translation(0, 0, 0);
    graphics.m_nEditMode = EditRotate;
    graphics.m_matRingY = Translation(5000, 0, -400);
    graphics.m_matHandle = Translation(5000, 0, -400);
    const float d = 80 * std::sqrt(0.5f);
    const Vector band(-d / 3, (-87.5f - d - 80) / 3, 0);
    graphics.m_matRingZ = Translation(-band.x, -band.y, -400);
    graphics.m_matRingX =
        D3DXMATRIX(0, 0, 1, 0, 0, 1, 0, 0, -1, 0, 0, 0, -band.x, -band.y, -400, 1);
    const Pixel centre = screen.Of(graphics.m_matRingZ, band);
    ASSERT_EQ(std::make_tuple(centre.x, centre.y), std::make_tuple(320, 240));

    EXPECT_EQ(graphics.HitTestGizmo(320, 240, &device), 0);
}

// --- Pick ---

// A character whose one part is a square of 200 x 200 units facing the camera at a depth.
CCharacter SquareCharacter(float depth, bool shown = true, bool locked = false, float side = 0) {
    CCharacter character;
    character.m_keys.resize(1);
    character.m_bShown = shown;
    character.m_bLocked = locked;
    MQAObject part;
    for (const auto& [x, y] : {std::pair{-100, -100}, {100, -100}, {100, 100}, {-100, 100}}) {
        part.AddVertex(float(x), float(y), 0, -1);
    }
    for (const auto& indices : {std::array{0, 1, 2}, {0, 2, 3}}) {
        MQAFace face;
        face.indices = {indices[0], indices[1], indices[2]};
        part.m_faces.push_back(face);
    }
    part.m_matLastWorld = Translation(side, 0, -depth);
    character.m_parts.push_back(part);
    return character;
}

// Handles whose centre cube, and no arrow head, lies under the view's centre: the ray runs
// through (4, 4) of the handle's xy plane, beside the z arrow head.
const D3DXMATRIX kCentreCubeUnderTheCentre = Translation(-4, -4, -1000);

class CDirectXGraphicsPickAtPointTest : public FakeDirect3DTest<CDirectXGraphics> {
protected:
    CDirectXGraphicsPickAtPointTest() {
        D3DXMatrixPerspectiveFovRH(&device.projection, 0.6981317f, 640.0f / 480.0f, 1.0f, 10000.0f);
        device.view = Translation(0, 0, 0);
        graphics.m_nEditMode = EditMove;
        graphics.m_nPickedHandle = 1;
        // The handles as last drawn: well aside of the view's centre.
        graphics.m_matHandle = Translation(3000, 0, -500);
    }

    // Picks the view's centre, (320, 240): result, selection and picked handle.
    std::tuple<bool, int, int> PickCentre() {
        const bool hit = graphics.PickAtPoint(320, 240);
        return {hit, graphics.m_nSelected, graphics.m_nPickedHandle};
    }
};

TEST_F(CDirectXGraphicsPickAtPointTest, ChoosesTheNearestShownUnlockedCharacter) {
    struct Case {
        const char* name;
        std::vector<CCharacter> characters;
        std::tuple<bool, int, int> expected;
    };
    CCharacter twoParts = SquareCharacter(600);
    twoParts.m_parts.push_back(SquareCharacter(300).m_parts[0]);
    CCharacter collisionOnly = SquareCharacter(400, true, false, 1000);
    collisionOnly.m_parts.push_back(SquareCharacter(500).m_parts[0]);
    collisionOnly.m_parts[1].m_name = "collision";
    collisionOnly.m_nCollisionPart = 1;
    const Case cases[] = {
        {"nearest", {SquareCharacter(500), SquareCharacter(400)}, {true, 1, 3}},
        {"equal distances keep the lower index",
         {SquareCharacter(450), SquareCharacter(400), SquareCharacter(400)},
         {true, 1, 3}},
        {"hidden never picked", {SquareCharacter(500), SquareCharacter(400, false)}, {true, 0, 3}},
        {"locked never picked",
         {SquareCharacter(500), SquareCharacter(400, true, true)},
         {true, 0, 3}},
        {"nearest part counts", {SquareCharacter(400), twoParts}, {true, 1, 3}},
        {"collision part is tested", {collisionOnly}, {true, 0, 3}},
        {"distances from 1000000 on are all 1000000",
         {SquareCharacter(2000000), SquareCharacter(1500000)},
         {true, 0, 3}},
        {"nothing under the point",
         {SquareCharacter(400, true, false, 1000), SquareCharacter(500, false)},
         {false, -1, -1}},
        {"no characters", {}, {false, -1, -1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        graphics.m_characters = c.characters;
        graphics.m_nSelected = -1;

        EXPECT_EQ(PickCentre(), c.expected);
    }
}

TEST_F(CDirectXGraphicsPickAtPointTest, HandleOfTheSelectionComesFirst) {
    struct Case {
        const char* name;
        int editMode;
        D3DXMATRIX handle;
        std::tuple<bool, int, int> expected;
    };
    const Case cases[] = {
        {"centre cube behind another character", EditMove, kCentreCubeUnderTheCentre, {true, 0, 3}},
        {"z arrow", EditMove, Translation(0, 0, -1000), {true, 0, 2}},
        {"x arrow", EditMove, Translation(-90, 0, -1000), {true, 0, 0}},
        {"y end cube", EditScale, Translation(0, -85, -1000), {true, 0, 1}},
        {"handle missed", EditMove, Translation(3000, 0, -500), {true, 1, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        graphics.m_characters = {SquareCharacter(2000), SquareCharacter(400)};
        graphics.m_nSelected = 0;
        graphics.m_nEditMode = c.editMode;
        graphics.m_matHandle = c.handle;

        EXPECT_EQ(PickCentre(), c.expected);
    }
}

TEST_F(CDirectXGraphicsPickAtPointTest, HiddenOrLockedSelectionGetsNoHandleTest) {
    struct Case {
        const char* name;
        bool shown;
        bool locked;
        bool otherCharacter;
        std::tuple<bool, int, int> expected;
    };
    const Case cases[] = {
        {"hidden, another character under the point", false, false, true, {true, 1, 3}},
        {"locked, another character under the point", true, true, true, {true, 1, 3}},
        {"hidden, nothing else", false, false, false, {false, -1, -1}},
        {"locked, nothing else", true, true, false, {false, -1, -1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        graphics.m_characters = {SquareCharacter(2000, c.shown, c.locked)};
        if (c.otherCharacter) {
            graphics.m_characters.push_back(SquareCharacter(400));
        }
        graphics.m_nSelected = 0;
        graphics.m_matHandle = kCentreCubeUnderTheCentre;

        EXPECT_EQ(PickCentre(), c.expected);
    }
}

} // namespace
