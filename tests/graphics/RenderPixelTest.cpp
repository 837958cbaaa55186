// Frames rendered headless on the OpenGL device and read back: the pixels are checked where
// the scene's own geometry and cameras put them.

#include "graphics/CDirectXGraphics.h"
#include "graphics/GizmoGeometry.h"
#include "platform/CFrameBuffer.h"
#include "platform/IDirect3DDevice9.h"
#include "platform/Mbcs.h"
#include "platform/ProgramFolder.h"
#include "platform/opengl/CEglWindow.h"
#include "platform/opengl/COpenGLDirect3D.h"
#include "scene/SceneGlobals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

namespace {

constexpr int Width = 1024;
constexpr int Height = 768;

struct Colour {
    int r, g, b;
    bool operator==(const Colour& other) const {
        return r == other.r && g == other.g && b == other.b;
    }
    bool operator!=(const Colour& other) const { return !(*this == other); }
};

std::ostream& operator<<(std::ostream& out, const Colour& c) {
    return out << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

const Colour Background{30, 65, 90};

std::string Cp932(const char* utf8) {
    return Mbcs::FromUtf8(utf8).value();
}

D3DXMATRIX Rotation(float x, float y, float z) {
    D3DXMATRIX rx, ry, rz;
    D3DXMatrixRotationX(&rx, x * 0.017453292f);
    D3DXMatrixRotationY(&ry, y * 0.017453292f);
    D3DXMatrixRotationZ(&rz, z * 0.017453292f);
    return rz * ry * rx;
}

D3DXMATRIX Translation(float x, float y, float z) {
    D3DXMATRIX t;
    return *D3DXMatrixTranslation(&t, x, y, z);
}

// The view of the default perspective camera: at (0, 0, -1000), turned by (30, -30, 0).
D3DXMATRIX DefaultPerspectiveView() {
    return Rotation(30, -30, 0) * Translation(0, 0, -1000);
}

// The view of the default camera track's key: translated by (0, -100, -1000).
D3DXMATRIX DefaultTrackView() {
    return Translation(0, -100, -1000);
}

struct ScreenPoint {
    int x, y;
};

ScreenPoint Project(const D3DXVECTOR3& p, const D3DXMATRIX& world, const D3DXMATRIX& view,
                    int width = Width, int height = Height) {
    D3DXMATRIX projection;
    D3DXMatrixPerspectiveFovRH(&projection, 0.6981317f, static_cast<float>(width) / height, 100.0f,
                               100000.0f);
    const D3DXMATRIX all = world * view * projection;
    D3DXVECTOR3 ndc;
    D3DXVec3TransformCoord(&ndc, &p, &all);
    return {static_cast<int>(std::lround((ndc.x + 1.0f) / 2.0f * width)),
            static_cast<int>(std::lround((1.0f - ndc.y) / 2.0f * height))};
}

D3DXMATRIX Identity() {
    D3DXMATRIX m;
    return *D3DXMatrixIdentity(&m);
}

class RenderPixelTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterOpenGLDirect3D(); }

    RenderPixelTest() : graphics(std::make_unique<CDirectXGraphics>(&window)) {
        g_nCurrentFrame = 0;
    }

    IDirect3DDevice9* Device() const { return graphics->GetDevice(); }

    void Render() {
        graphics->Render(nullptr);
        ASSERT_TRUE(SUCCEEDED(Device()->ReadBackBuffer(Width, Height, m_rows)));
    }

    Colour Pixel(int x, int y) const {
        const std::size_t row = static_cast<std::size_t>(Height - 1 - y);
        const std::uint8_t* p = m_rows.data() + row * CFrameBuffer::Stride(Width) + 3 * x;
        return {p[2], p[1], p[0]};
    }

    // Whether the colour is found within two pixels of the point (lines are one pixel wide).
    bool ColourNear(ScreenPoint point, const Colour& colour) const {
        for (int dy = -2; dy <= 2; ++dy) {
            for (int dx = -2; dx <= 2; ++dx) {
                if (Pixel(point.x + dx, point.y + dy) == colour) {
                    return true;
                }
            }
        }
        return false;
    }

    int Import(const char* storedName) {
        const std::string folder = Mbcs::FromUtf8(GetProgramFolder()).value();
        EXPECT_TRUE(graphics->ImportCharacter(folder + storedName));
        CCharacter* character = graphics->GetCharacter(0);
        character->SetFrameState(0, FrameKey);
        return 0;
    }

    CEglWindow window{Width, Height};
    std::unique_ptr<CDirectXGraphics> graphics;
    std::vector<std::uint8_t> m_rows;
};

TEST_F(RenderPixelTest, DeviceIsCreatedOnTheHeadlessWindow) {
    ASSERT_NE(Device(), nullptr);
    D3DVIEWPORT9 viewport;
    Device()->GetViewport(&viewport);
    EXPECT_EQ(viewport.Width, 1024u);
    EXPECT_EQ(viewport.Height, 768u);
}

TEST_F(RenderPixelTest, BackgroundFillsWhereNothingIsDrawn) {
    Render();
    EXPECT_EQ(Pixel(3, 3), Background);
    EXPECT_EQ(Pixel(Width - 4, 3), Background);
}

TEST_F(RenderPixelTest, AxesAndGridLieWhereTheProjectionPutsThem) {
    Render();
    const D3DXMATRIX view = DefaultPerspectiveView();
    EXPECT_TRUE(ColourNear(Project({300, 0, 0}, Identity(), view), {255, 0, 0}));
    EXPECT_TRUE(ColourNear(Project({0, 300, 0}, Identity(), view), {0, 255, 0}));
    EXPECT_TRUE(ColourNear(Project({0, 0, 300}, Identity(), view), {0, 0, 255}));
    EXPECT_TRUE(ColourNear(Project({-250, 0, 300}, Identity(), view), {91, 105, 91}));
    EXPECT_TRUE(ColourNear(Project({-400, 0, -200}, Identity(), view), {91, 105, 91}));
    // Between grid lines there is only the background.
    EXPECT_EQ(Pixel(Project({-225, 0, 325}, Identity(), view).x,
                    Project({-225, 0, 325}, Identity(), view).y),
              Background);
}

TEST_F(RenderPixelTest, GridIsNotDrawnDuringPlayback) {
    graphics->m_nRunMode = RunPlay;
    Render();
    EXPECT_FALSE(
        ColourNear(Project({300, 0, 0}, Identity(), DefaultPerspectiveView()), {255, 0, 0}));
}

TEST_F(RenderPixelTest, ShopShowsItsTexturedWallWithinItsSilhouette) {
    Import("MQO\\Shop.mqo");
    graphics->m_nRunMode = RunPlay;
    graphics->m_nCameraMode = CameraTrack;
    Render();
    const D3DXMATRIX view = DefaultTrackView();
    // The front wall, left of the door, carries the brick texture: red over green and blue.
    const ScreenPoint wall = Project({-130, 100, 120}, Identity(), view);
    const Colour brick = Pixel(wall.x, wall.y);
    EXPECT_GT(brick.r, brick.g + 30) << brick;
    EXPECT_GT(brick.r, brick.b + 30) << brick;
    // The door is untextured brown, the sign yellow or blue; beside the shop nothing is drawn.
    const ScreenPoint door = Project({0, 70, 128}, Identity(), view);
    EXPECT_NE(Pixel(door.x, door.y), Background);
    const ScreenPoint beside = Project({330, 100, 120}, Identity(), view);
    EXPECT_EQ(Pixel(beside.x, beside.y), Background);
}

TEST_F(RenderPixelTest, SkinnedWormTakesAnotherPoseAtAnotherFrame) {
    Import("MQA\\Worm.qkba");
    CCharacter* worm = graphics->GetCharacter(0);
    worm->SetFrameState(30, FrameKey);
    worm->SetKeyMotionName(0, Cp932("くねくね"));
    worm->SetKeyLoop(0, true);
    worm->InterpolateKeys();
    graphics->m_nRunMode = RunPlay;
    Render();
    const std::vector<std::uint8_t> first = m_rows;
    g_nCurrentFrame = 10;
    Render();
    std::size_t changed = 0;
    for (std::size_t i = 0; i < first.size(); ++i) {
        changed += first[i] != m_rows[i] ? 1 : 0;
    }
    EXPECT_GT(changed, 500u);
    // The worm lies around the origin in both poses.
    const ScreenPoint centre = Project({0, 30, 0}, Identity(), DefaultPerspectiveView());
    EXPECT_NE(Pixel(centre.x, centre.y), Background);
}

TEST_F(RenderPixelTest, SubtitleIsWhiteTextOutlinedInBlackAtTheBottom) {
    graphics->m_nRunMode = RunPlay;
    graphics->SetSubtitle(Cp932("字幕のテスト"), 0);
    Render();
    const int fontHeight = static_cast<int>(Width * 0.04f);
    const int top = static_cast<int>(static_cast<float>(Height) - 1.8f * fontHeight);
    int white = 0;
    int black = 0;
    for (int y = top; y < top + fontHeight + 4; ++y) {
        for (int x = Width / 2 - 200; x < Width / 2 + 200; ++x) {
            white += Pixel(x, y) == Colour{255, 255, 255} ? 1 : 0;
            // The outline, blended at the glyphs' soft edges: darker than the background.
            const Colour c = Pixel(x, y);
            black += c.r <= 10 && c.g <= Background.g - 20 && c.b <= Background.b - 20 ? 1 : 0;
        }
    }
    EXPECT_GT(white, 100);
    EXPECT_GT(black, 100);
    // Above the band and at the sides there is only the background.
    EXPECT_EQ(Pixel(Width / 2, top - 4), Background);
    EXPECT_EQ(Pixel(20, top + fontHeight / 2), Background);

    // As long a text as the field takes is cut at the frame's edges, not drawn as a white band.
    std::string longest = "!";
    for (int i = 0; i < 5461; ++i) {
        longest += Cp932("字幕のテスト");
    }
    graphics->SetSubtitle(longest, 0);
    Render();
    white = black = 0;
    for (int x = 0; x < Width; ++x) {
        const Colour c = Pixel(x, top + fontHeight / 2);
        white += c == Colour{255, 255, 255} ? 1 : 0;
        black += c.r <= 10 && c.g <= Background.g - 20 && c.b <= Background.b - 20 ? 1 : 0;
    }
    EXPECT_GT(black, 0);
    EXPECT_LT(white, Width / 2);
    EXPECT_NE(Pixel(20, top + fontHeight / 2), Background);
}

TEST_F(RenderPixelTest, HandlesShowOnlyInEditMode) {
    Import("MQO\\Shop.mqo");
    graphics->m_nSelected = 0;
    const ScreenPoint centre = Project({0, 0, 0}, Identity(), DefaultPerspectiveView());
    Render();
    EXPECT_EQ(Pixel(centre.x, centre.y), (Colour{255, 255, 0}));
    for (int mode : {RunPlay, RunRecord}) {
        graphics->m_nRunMode = mode;
        Render();
        EXPECT_NE(Pixel(centre.x, centre.y), (Colour{255, 255, 0})) << mode;
    }
}

// A recorded frame: the movie-sized top-left corner of the back buffer.
class RecordedFrameTest : public RenderPixelTest {
protected:
    void Record(int movieWidth, int movieHeight, bool antiAlias, CFrameBuffer& frame) {
        graphics->m_nMovieWidth = movieWidth;
        graphics->m_nMovieHeight = movieHeight;
        graphics->m_bAntiAlias = antiAlias;
        const int factor = antiAlias ? 2 : 1;
        graphics->Resize(movieWidth * factor, movieHeight * factor);
        graphics->m_nRunMode = RunRecord;
        graphics->SetSubtitle("Sorvendal", 0);
        graphics->Render(&frame);
        ASSERT_TRUE(
            SUCCEEDED(Device()->ReadBackBuffer(movieWidth * factor, movieHeight * factor, m_rows)));
    }
};

TEST_F(RecordedFrameTest, AntiAliasedCopyIsTheAverageOfTheDoubledFrame) {
    Import("MQO\\Shop.mqo");
    CFrameBuffer frame(160, 120);
    Record(160, 120, true, frame);
    const UINT sourceStride = CFrameBuffer::Stride(320);
    for (UINT y = 0; y < 120; ++y) {
        for (UINT x = 0; x < 160; ++x) {
            for (UINT c = 0; c < 3; ++c) {
                const std::uint8_t* lower = m_rows.data() + sourceStride * 2 * y + 6 * x + c;
                const std::uint8_t* upper = lower + sourceStride;
                const unsigned average = (lower[0] + lower[3] + upper[0] + upper[3] + 2) / 4;
                ASSERT_EQ(frame.Bits()[frame.Stride() * y + 3 * x + c], average)
                    << x << "," << y << "," << c;
            }
        }
    }
}

TEST_F(RecordedFrameTest, MovieWidthOf322GivesRowsOf968Bytes) {
    Import("MQO\\Shop.mqo");
    CFrameBuffer frame(322, 240);
    Record(322, 240, false, frame);
    EXPECT_EQ(frame.Stride(), 968u);
    EXPECT_EQ(frame.Bits(), m_rows);
    // Not a blank picture: the shop is in it.
    std::size_t notBackground = 0;
    for (std::size_t i = 0; i + 2 < frame.Bits().size(); i += 3) {
        notBackground += frame.Bits()[i] != 90 ? 1 : 0;
    }
    EXPECT_GT(notBackground, 1000u);
}

TEST_F(RecordedFrameTest, BackBufferSmallerThanTheMovieFillsTheTopLeftOfTheFrame) {
    Import("MQO\\Shop.mqo");
    graphics->m_nMovieWidth = 322;
    graphics->m_nMovieHeight = 240;
    graphics->Resize(200, 100);
    graphics->m_nRunMode = RunRecord;
    CFrameBuffer frame(322, 240);

    graphics->Render(&frame);

    ASSERT_TRUE(SUCCEEDED(Device()->ReadBackBuffer(200, 100, m_rows)));
    const UINT backStride = CFrameBuffer::Stride(200);
    for (UINT top = 0; top < 240; ++top) {
        const auto* row = frame.Bits().data() + frame.Stride() * (239 - top);
        const std::vector<std::uint8_t> left(row, row + 600);
        const std::vector<std::uint8_t> right(row + 600, row + frame.Stride());
        if (top < 100) {
            const auto* back = m_rows.data() + backStride * (99 - top);
            ASSERT_EQ(left, std::vector<std::uint8_t>(back, back + 600)) << top;
        } else {
            ASSERT_EQ(left, std::vector<std::uint8_t>(600, 0)) << top;
        }
        ASSERT_EQ(right, std::vector<std::uint8_t>(right.size(), 0)) << top;
    }
    EXPECT_NE(m_rows, std::vector<std::uint8_t>(m_rows.size(), 0));
}

// Picking on frames drawn by the device.
class RenderedPickTest : public RenderPixelTest {
protected:
    ScreenPoint ProjectHandlePoint(const D3DXVECTOR3& point, const D3DXMATRIX& handle) {
        return Project(point, handle, DefaultPerspectiveView());
    }
    // A point inside a closed handle solid: the centroid of its triangles' corners. (A point
    // on one face may lie on the silhouette, where the face is seen edge-on.)
    static D3DXVECTOR3 Inside(const std::vector<GizmoGeometry::Triangle>& triangles,
                              std::size_t first = 0, std::size_t count = 0) {
        const std::size_t end = count == 0 ? triangles.size() : first + count;
        D3DXVECTOR3 sum;
        for (std::size_t i = first; i < end; ++i) {
            sum = sum + triangles[i][0] + triangles[i][1] + triangles[i][2];
        }
        return sum * (1.0f / static_cast<float>(3 * (end - first)));
    }
};

TEST_F(RenderedPickTest, PointOnACharacterSelectsIt) {
    Import("MQO\\Shop.mqo");
    graphics->m_nSelected = -1;
    Render();
    const ScreenPoint wall = Project({-130, 100, 120}, Identity(), DefaultPerspectiveView());
    EXPECT_TRUE(graphics->PickAtPoint(wall.x, wall.y));
    EXPECT_EQ(graphics->m_nSelected, 0);
    EXPECT_EQ(graphics->m_nPickedHandle, PickedCentre);
    EXPECT_FALSE(graphics->PickAtPoint(3, 3));
    EXPECT_EQ(graphics->m_nSelected, -1);
}

TEST_F(RenderedPickTest, HandleTipsPickTheirAxesInEveryEditMode) {
    using namespace GizmoGeometry;
    Import("MQO\\Shop.mqo");
    graphics->m_nSelected = 0;
    for (int mode : {EditMove, EditRotate, EditScale}) {
        graphics->m_nEditMode = mode;
        Render();
        for (Axis axis : {AxisX, AxisY, AxisZ}) {
            D3DXVECTOR3 target;
            D3DXMATRIX handle = graphics->m_matHandle;
            if (mode == EditMove) {
                target = Inside(ArrowTriangles(axis));
            } else if (mode == EditScale) {
                target = Inside(EndCubeTriangles(axis));
            } else {
                const D3DXMATRIX* rings[] = {&graphics->m_matRingX, &graphics->m_matRingY,
                                             &graphics->m_matRingZ};
                handle = *rings[axis];
                target = Inside(RingTriangles(axis), 6, 6); // the band from 45 to 90 degrees
            }
            const ScreenPoint point = ProjectHandlePoint(target, handle);
            EXPECT_TRUE(graphics->PickAtPoint(point.x, point.y)) << mode << " " << axis;
            EXPECT_EQ(graphics->m_nPickedHandle, axis) << "mode " << mode;
            EXPECT_EQ(graphics->m_nSelected, 0);
        }
        const ScreenPoint centre = ProjectHandlePoint({0, 0, 0}, graphics->m_matHandle);
        EXPECT_TRUE(graphics->PickAtPoint(centre.x, centre.y));
        EXPECT_EQ(graphics->m_nPickedHandle, PickedCentre) << "mode " << mode;
    }
}

} // namespace
