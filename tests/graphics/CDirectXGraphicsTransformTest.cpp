#include "graphics/CDirectXGraphics.h"

#include "platform/Mbcs.h"
#include "platform/ProgramFolder.h"
#include "scene/SceneGlobals.h"

#include "support/FakeDevice.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <functional>
#include <string>
#include <tuple>
#include <type_traits>
#include <vector>

namespace {

using Vector = D3DXVECTOR3;

constexpr float kTolerance = 1e-5f;

void ExpectVector(const Vector& actual, const Vector& expected) {
    EXPECT_NEAR(actual.x, expected.x, kTolerance);
    EXPECT_NEAR(actual.y, expected.y, kTolerance);
    EXPECT_NEAR(actual.z, expected.z, kTolerance);
}

// Position, rotation and scale of a record, for whole-record comparisons.
using Transform = std::tuple<float, float, float, float, float, float, float, float, float>;

Transform TransformOf(const CAnimation& record) {
    return {record.m_position.x, record.m_position.y, record.m_position.z,
            record.m_rotation.x, record.m_rotation.y, record.m_rotation.z,
            record.m_scale.x,    record.m_scale.y,    record.m_scale.z};
}

// A record whose values tell it apart: position (n, 10n, 100n), rotation (n, 2n, 3n) and
// scale (1 + n, 2 + n, 3 + n).
CAnimation NumberedRecord(int n) {
    CAnimation record;
    record.Init(FrameKey);
    const auto f = static_cast<float>(n);
    record.m_position = Vector(f, 10 * f, 100 * f);
    record.m_rotation = Vector(f, 2 * f, 3 * f);
    record.m_scale = Vector(1 + f, 2 + f, 3 + f);
    return record;
}

std::vector<CAnimation> NumberedTrack(int first, int count) {
    std::vector<CAnimation> track;
    for (int i = 0; i < count; ++i) {
        track.push_back(NumberedRecord(first + i));
    }
    return track;
}

class GraphicsOnFakeDevice : public FakeDirect3DTest<CDirectXGraphics> {
protected:
    // Two characters of three key records each: character c's key f is NumberedRecord(10c+f).
    void AddCharacters() {
        for (int c = 0; c < 2; ++c) {
            CCharacter character;
            character.m_keys = NumberedTrack(10 * c, 3);
            graphics.m_characters.push_back(character);
        }
    }

    // Every camera and character record, to show that an operation changed nothing else.
    std::vector<Transform> AllRecords() const {
        std::vector<Transform> records = {TransformOf(graphics.m_perspectiveCamera)};
        for (const CAnimation& record : graphics.m_cameraKeys) {
            records.push_back(TransformOf(record));
        }
        for (const CCharacter& character : graphics.m_characters) {
            for (const CAnimation& record : character.m_keys) {
                records.push_back(TransformOf(record));
            }
        }
        return records;
    }
};

// --- Selected character ---

using CDirectXGraphicsSelectedCharacterTest = GraphicsOnFakeDevice;

TEST_F(CDirectXGraphicsSelectedCharacterTest, EditsChangeOnlyTheKeyOfTheFrame) {
    AddCharacters();
    graphics.m_nSelected = 1;
    std::vector<Transform> expected = AllRecords();
    CAnimation changed = graphics.m_characters[1].m_keys[2];
    changed.m_position = changed.m_position + Vector(1, -2, 0.5f);
    changed.m_rotation = changed.m_rotation + Vector(350, -30, 720);
    changed.m_scale = changed.m_scale + Vector(0.5f, -1, 2);
    expected[1 + 1 + 3 + 2] = TransformOf(changed); // after the two cameras and character 0

    graphics.MoveSelectedCharacter(2, 1, -2, 0.5f);
    graphics.RotateSelectedCharacter(2, 350, -30, 720);
    graphics.ScaleSelectedCharacter(2, 0.5f, -1, 2);

    EXPECT_EQ(AllRecords(), expected);
    ExpectVector(graphics.GetSelectedCharacterPosition(2), changed.m_position);
    ExpectVector(graphics.GetSelectedCharacterRotation(2), changed.m_rotation);
    ExpectVector(graphics.GetSelectedCharacterScale(2), changed.m_scale);
}

TEST_F(CDirectXGraphicsSelectedCharacterTest, RotationsAreNeitherWrappedNorClamped) {
    AddCharacters();
    graphics.m_nSelected = 0;
    graphics.SetCharacterRotation(0, 1, 350, -10, 0);

    graphics.RotateSelectedCharacter(1, 20, -5, -720);

    ExpectVector(graphics.GetSelectedCharacterRotation(1), Vector(370, -15, -720));
}

TEST_F(CDirectXGraphicsSelectedCharacterTest, WithoutARecordEditsDoNothingAndGettersGiveDefaults) {
    AddCharacters();
    struct Case {
        const char* name;
        int selection;
        int frame;
    };
    const Case cases[] = {
        {"no selection", -1, 0},
        {"selection past the list", 2, 0},
        {"negative frame", 1, -1},
        {"frame past the keys", 1, 3},
    };
    const std::vector<Transform> before = AllRecords();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        graphics.m_nSelected = c.selection;

        graphics.MoveSelectedCharacter(c.frame, 1, 1, 1);
        graphics.RotateSelectedCharacter(c.frame, 1, 1, 1);
        graphics.ScaleSelectedCharacter(c.frame, -5, -5, -5);

        EXPECT_EQ(AllRecords(), before);
        ExpectVector(graphics.GetSelectedCharacterPosition(c.frame), Vector(0, 0, 0));
        ExpectVector(graphics.GetSelectedCharacterRotation(c.frame), Vector(0, 0, 0));
        ExpectVector(graphics.GetSelectedCharacterScale(c.frame), Vector(1, 1, 1));
    }
}

TEST_F(CDirectXGraphicsSelectedCharacterTest, SettersNeedACharacterAndAFrameInRange) {
    AddCharacters();
    graphics.m_nSelected = -1; // the setters do not use the selection
    const std::vector<Transform> before = AllRecords();
    for (const auto& [character, frame] : {std::pair{-1, 0}, {2, 0}, {0, -1}, {0, 3}}) {
        SCOPED_TRACE(testing::Message() << "character " << character << " frame " << frame);

        graphics.SetCharacterPosition(character, frame, 7, 7, 7);
        graphics.SetCharacterRotation(character, frame, 7, 7, 7);
        graphics.SetCharacterScale(character, frame, 7, 7, 7);

        EXPECT_EQ(AllRecords(), before);
    }

    graphics.SetCharacterPosition(1, 0, 4, 5, 6);
    graphics.SetCharacterRotation(1, 0, -90, 400, 1);
    graphics.SetCharacterScale(1, 0, 0, 0, -2); // stored without a floor

    EXPECT_EQ(TransformOf(graphics.m_characters[1].m_keys[0]),
              Transform(4, 5, 6, -90, 400, 1, 0, 0, -2));
    EXPECT_EQ(TransformOf(graphics.m_characters[0].m_keys[0]), TransformOf(NumberedRecord(0)));
}

// --- Scale floor, for each record a scale edit can reach ---

struct ScaleTarget {
    const char* name;
    std::function<void(CDirectXGraphics&)> prepare; // makes the target record scale (1, 1, 1)
    std::function<void(CDirectXGraphics&, const Vector&)> set;
    std::function<void(CDirectXGraphics&, const Vector&)> add;
    std::function<Vector(const CDirectXGraphics&)> get;
};

const ScaleTarget kScaleTargets[] = {
    {"selected character",
     [](CDirectXGraphics& g) {
         CCharacter character;
         character.m_keys = NumberedTrack(0, 2);
         g.m_characters.push_back(character);
         g.m_nSelected = 0;
     },
     [](CDirectXGraphics& g, const Vector& s) { g.SetCharacterScale(0, 1, s.x, s.y, s.z); },
     [](CDirectXGraphics& g, const Vector& d) { g.ScaleSelectedCharacter(1, d.x, d.y, d.z); },
     [](const CDirectXGraphics& g) { return g.GetSelectedCharacterScale(1); }},
    {"perspective camera", [](CDirectXGraphics& g) { g.m_nCameraMode = CameraPerspective; },
     [](CDirectXGraphics& g, const Vector& s) { g.SetCameraScale(0, s.x, s.y, s.z); },
     [](CDirectXGraphics& g, const Vector& d) { g.ScaleCamera(d.x, d.y, d.z); },
     [](const CDirectXGraphics& g) { return g.GetCameraScale(0); }},
    {"camera track record of the current frame",
     [](CDirectXGraphics& g) {
         g.m_nCameraMode = CameraTrack;
         g.m_cameraKeys = NumberedTrack(0, 3);
         g_nCurrentFrame = 2;
     },
     [](CDirectXGraphics& g, const Vector& s) { g.SetCameraScale(2, s.x, s.y, s.z); },
     [](CDirectXGraphics& g, const Vector& d) { g.ScaleCamera(d.x, d.y, d.z); },
     [](const CDirectXGraphics& g) { return g.GetCameraScale(2); }},
};

using CDirectXGraphicsScaleFloorTest = GraphicsOnFakeDevice;

TEST_F(CDirectXGraphicsScaleFloorTest, ComponentsBelowTheMinimumBecomeExactlyTheMinimum) {
    struct Case {
        Vector start;
        Vector delta;
        Vector expected;
    };
    const Case cases[] = {
        {{0.02f, 1, 5}, {-0.05f, -0.99f, 0}, {0.01f, 0.01f, 5}},
        {{1, 1, 1}, {-0.98f, -2, 0.5f}, {1 - 0.98f, 0.01f, 1.5f}},
        {{0.02f, 0.01f, 3}, {-0.01f, 0, -3}, {0.01f, 0.01f, 0.01f}},
        {{-4, 0, 0.005f}, {0, 0, 0}, {0.01f, 0.01f, 0.01f}},
    };
    for (const ScaleTarget& target : kScaleTargets) {
        SCOPED_TRACE(target.name);
        target.prepare(graphics);
        for (const Case& c : cases) {
            target.set(graphics, c.start);

            target.add(graphics, c.delta);

            const Vector scale = target.get(graphics);
            EXPECT_EQ(scale, c.expected) << scale.x << " " << scale.y << " " << scale.z;
        }
    }
}

TEST_F(CDirectXGraphicsScaleFloorTest, AbsoluteSettersStoreZeros) {
    for (const ScaleTarget& target : kScaleTargets) {
        SCOPED_TRACE(target.name);
        target.prepare(graphics);

        target.set(graphics, Vector(0, 0, 0));

        EXPECT_EQ(target.get(graphics), Vector(0, 0, 0));
    }
}

// --- Camera ---

class CDirectXGraphicsCameraTest : public GraphicsOnFakeDevice {
protected:
    CDirectXGraphicsCameraTest() {
        graphics.m_perspectiveCamera = NumberedRecord(50);
        graphics.m_cameraKeys = NumberedTrack(0, 3);
    }

    // Every camera operation that changes something, with distinct values.
    void ApplyAllCameraEdits(int frame) {
        graphics.MoveCamera(1, 2, 3);
        graphics.RotateCamera(10, 20, 30);
        graphics.ScaleCamera(0.5f, 0.5f, -10);
        graphics.SetCameraPosition(frame, -1, -2, -3);
        graphics.SetCameraRotation(frame, -10, -20, -30);
        graphics.SetCameraScale(frame, 4, 5, 6);
    }

    void ExpectCameraGetters(int frame, const CAnimation& expected) {
        ExpectVector(graphics.GetCameraPosition(frame), expected.m_position);
        ExpectVector(graphics.GetCameraRotation(frame), expected.m_rotation);
        ExpectVector(graphics.GetCameraScale(frame), expected.m_scale);
        EXPECT_EQ(graphics.GetCameraRotationX(frame), expected.m_rotation.x);
        EXPECT_EQ(graphics.GetCameraRotationY(frame), expected.m_rotation.y);
    }
};

TEST_F(CDirectXGraphicsCameraTest, PerspectiveModeEditsThePerspectiveCameraWhateverTheFrame) {
    graphics.m_nCameraMode = CameraPerspective;
    g_nCurrentFrame = 99;
    const std::vector<CAnimation> track = graphics.m_cameraKeys;
    CAnimation expected = graphics.m_perspectiveCamera;
    expected.m_position = expected.m_position + Vector(1, 2, 3);
    expected.m_rotation = expected.m_rotation + Vector(10, 20, 30);
    expected.m_scale = Vector(51.5f, 52.5f, 43);

    graphics.MoveCamera(1, 2, 3);
    graphics.RotateCamera(10, 20, 30);
    graphics.ScaleCamera(0.5f, 0.5f, -10);

    EXPECT_EQ(TransformOf(graphics.m_perspectiveCamera), TransformOf(expected));
    for (const int frame : {-7, 0, 1000}) {
        SCOPED_TRACE(frame);
        ExpectCameraGetters(frame, expected);
    }

    graphics.SetCameraPosition(-7, 4, 5, 6);
    graphics.SetCameraRotation(1000, 7, 8, 9);
    graphics.SetCameraScale(2, 0.001f, 2, 3);

    EXPECT_EQ(TransformOf(graphics.m_perspectiveCamera), Transform(4, 5, 6, 7, 8, 9, 0.001f, 2, 3));
    for (std::size_t f = 0; f < track.size(); ++f) {
        EXPECT_EQ(TransformOf(graphics.m_cameraKeys[f]), TransformOf(track[f]));
    }
}

TEST_F(CDirectXGraphicsCameraTest, TrackModeEditsTheRecordOfTheCurrentOrGivenFrame) {
    graphics.m_nCameraMode = CameraTrack;
    g_nCurrentFrame = 1;
    const CAnimation perspective = graphics.m_perspectiveCamera;
    CAnimation expected = NumberedRecord(1);
    expected.m_position = expected.m_position + Vector(1, 2, 3);
    expected.m_rotation = expected.m_rotation + Vector(10, 20, 30);
    expected.m_scale = Vector(2.5f, 3.5f, 0.01f);

    graphics.MoveCamera(1, 2, 3);
    graphics.RotateCamera(10, 20, 30);
    graphics.ScaleCamera(0.5f, 0.5f, -10);

    EXPECT_EQ(TransformOf(graphics.m_cameraKeys[1]), TransformOf(expected));
    ExpectCameraGetters(1, expected);
    ExpectCameraGetters(2, NumberedRecord(2));

    graphics.SetCameraPosition(2, 4, 5, 6);
    graphics.SetCameraRotation(2, 7, 8, 9);
    graphics.SetCameraScale(2, 0, 0, 0);

    EXPECT_EQ(TransformOf(graphics.m_cameraKeys[2]), Transform(4, 5, 6, 7, 8, 9, 0, 0, 0));
    EXPECT_EQ(TransformOf(graphics.m_cameraKeys[0]), TransformOf(NumberedRecord(0)));
    EXPECT_EQ(TransformOf(graphics.m_perspectiveCamera), TransformOf(perspective));
}

TEST_F(CDirectXGraphicsCameraTest, TrackModeOutsideTheTrackChangesNothingAndReadsDefaults) {
    graphics.m_nCameraMode = CameraTrack;
    const std::vector<Transform> before = AllRecords();
    CAnimation zero;
    zero.m_scale = Vector(0, 0, 0); // the camera's out-of-range scale is zero, not unit
    for (const int frame : {-1, 3, 900}) {
        SCOPED_TRACE(frame);
        g_nCurrentFrame = frame;

        ApplyAllCameraEdits(frame);

        EXPECT_EQ(AllRecords(), before);
        ExpectCameraGetters(frame, zero);
    }
}

TEST_F(CDirectXGraphicsCameraTest, OtherModesChangeNothingButReadTheTrack) {
    for (const int mode : {-1, 2, 7}) {
        SCOPED_TRACE(mode);
        graphics.m_nCameraMode = mode;
        g_nCurrentFrame = 1;
        const std::vector<Transform> before = AllRecords();

        ApplyAllCameraEdits(1);

        EXPECT_EQ(AllRecords(), before);
        ExpectCameraGetters(1, NumberedRecord(1));
        ExpectVector(graphics.GetCameraScale(3), Vector(0, 0, 0));
    }
}

// --- Resize ---

class CDirectXGraphicsResizeTest : public GraphicsOnFakeDevice {
protected:
    CDirectXGraphicsResizeTest() { device.calls.clear(); }

    std::tuple<float, float, UINT, UINT> RecordedSize() const {
        return {graphics.m_fBackBufferWidth, graphics.m_fBackBufferHeight,
                graphics.m_presentParams.BackBufferWidth,
                graphics.m_presentParams.BackBufferHeight};
    }
};

TEST_F(CDirectXGraphicsResizeTest, ZeroOrNegativeSizeChangesNothing) {
    for (const auto& [width, height] : {std::pair{0, 600}, {800, 0}, {-1, 600}, {800, -5}}) {
        SCOPED_TRACE(testing::Message() << width << " x " << height);

        EXPECT_FALSE(graphics.Resize(width, height));

        EXPECT_EQ(RecordedSize(), std::make_tuple(1024.0f, 768.0f, 1024u, 768u));
        EXPECT_EQ(device.calls, CallLog());
    }
}

TEST_F(CDirectXGraphicsResizeTest, ResetsTheDeviceBetweenLosingAndRestoringSpriteAndFont) {
    EXPECT_TRUE(graphics.Resize(800, 600));

    EXPECT_EQ(RecordedSize(), std::make_tuple(800.0f, 600.0f, 800u, 600u));
    const CallLog expected = {"Sprite.OnLostDevice()", "Font.OnLostDevice()", "Reset(800,600)",
                              "Sprite.OnResetDevice()", "Font.OnResetDevice()"};
    EXPECT_EQ(device.calls, expected);
    ASSERT_EQ(device.resets.size(), 1u);
    EXPECT_EQ(device.resets[0].SwapEffect, D3DSWAPEFFECT_FLIP);
    EXPECT_EQ(device.resets[0].AutoDepthStencilFormat, D3DFMT_D16);
    EXPECT_TRUE(session.messages.texts.empty());
}

TEST_F(CDirectXGraphicsResizeTest, FailedResetIsReportedAndKeepsTheNewSize) {
    device.failReset = true;

    EXPECT_FALSE(graphics.Resize(320, 240));

    EXPECT_EQ(session.messages.texts,
              std::vector<std::string>{"\x83\x8a\x83\x54\x83\x43\x83\x59\x82\xc9\x8e\xb8\x94\x73"});
    EXPECT_EQ(RecordedSize(), std::make_tuple(320.0f, 240.0f, 320u, 240u));
    const CallLog expected = {"Sprite.OnLostDevice()", "Font.OnLostDevice()", "Reset(320,240)"};
    EXPECT_EQ(device.calls, expected);
}

TEST(CDirectXGraphicsResizeWithoutDeviceTest, RecordsTheSizeOnly) {
    FakeDirect3DSession session;
    session.direct3D.failedCreations = 2;
    CDirectXGraphics graphics(session.Window());

    graphics.Resize(640, 480);

    EXPECT_EQ(graphics.GetDevice(), nullptr);
    EXPECT_EQ(graphics.m_fBackBufferWidth, 640.0f);
    EXPECT_EQ(graphics.m_fBackBufferHeight, 480.0f);
    EXPECT_TRUE(session.messages.texts.empty());
}

// --- Import and reload ---

const std::string kHeader = "Metasequoia Document\nFormat Text Ver 1.0\n";
const std::string kTriangleObject = "Object \"body\" {\n\tvertex 3 {\n\t\t0 0 0\n\t\t1 0 0\n"
                                    "\t\t0 1 0\n\t}\n\tface 1 {\n\t\t3 V(0 1 2)\n\t}\n}\n";

class CDirectXGraphicsImportTest : public GraphicsOnFakeDevice {
protected:
    void AddNamedCharacter(const std::string& name, int keys) {
        CCharacter character;
        character.m_strFileName = name;
        character.m_keys = NumberedTrack(0, keys);
        graphics.m_characters.push_back(character);
    }

    std::vector<std::string> FileNames() const {
        std::vector<std::string> names;
        for (const CCharacter& character : graphics.m_characters) {
            names.push_back(character.m_strFileName);
        }
        return names;
    }

    std::vector<std::size_t> PartCounts() const {
        std::vector<std::size_t> counts;
        for (const CCharacter& character : graphics.m_characters) {
            counts.push_back(character.m_parts.size());
        }
        return counts;
    }
};

TEST_F(CDirectXGraphicsImportTest, PutsTheNewCharacterFirst) {
    const ScratchFolder folder;
    const std::string path = folder.Write("New.mqo", kHeader + kTriangleObject);
    AddNamedCharacter("one.mqo", 1);
    AddNamedCharacter("two.mqo", 2);
    graphics.m_nSelected = 1;

    EXPECT_TRUE(graphics.ImportCharacter(path));

    EXPECT_EQ(FileNames(), (std::vector<std::string>{Mbcs::MakeLower(path), "one.mqo", "two.mqo"}));
    EXPECT_EQ(PartCounts(), (std::vector<std::size_t>{1, 0, 0}));
    EXPECT_TRUE(graphics.m_characters[0].m_keys.empty());
    EXPECT_EQ(graphics.m_characters[2].m_keys.size(), 2u);
    EXPECT_EQ(graphics.m_nSelected, 1); // not adjusted: it now names "one.mqo"
    EXPECT_EQ(graphics.m_characters[0].m_parts[0].m_pVertexBuffer, device.buffers.back().get());
}

TEST_F(CDirectXGraphicsImportTest, CharactersMoveWhenTheListGrowsOrShifts) {
    static_assert(std::is_nothrow_move_constructible_v<CCharacter> &&
                      std::is_nothrow_move_assignable_v<CCharacter>,
                  "the list must move its characters, never copy them");
    const ScratchFolder folder;
    const std::string path = folder.Write("New.mqo", kHeader + kTriangleObject);
    ASSERT_TRUE(graphics.ImportCharacter(path));
    const MQAFace* faces = graphics.m_characters[0].m_parts[0].m_faces.data();

    ASSERT_TRUE(graphics.ImportCharacter(path));
    EXPECT_EQ(graphics.m_characters[1].m_parts[0].m_faces.data(), faces);

    graphics.DeleteCharacter(0);
    EXPECT_EQ(graphics.m_characters[0].m_parts[0].m_faces.data(), faces);
}

TEST_F(CDirectXGraphicsImportTest, MissingFileLeavesTheListAsItWas) {
    const ScratchFolder folder;
    AddNamedCharacter("one.mqo", 1);
    const std::size_t buffers = device.buffers.size();

    EXPECT_FALSE(graphics.ImportCharacter(folder.PathOf("missing.mqo")));

    EXPECT_EQ(FileNames(), std::vector<std::string>{"one.mqo"});
    EXPECT_EQ(device.buffers.size(), buffers);
}

TEST_F(CDirectXGraphicsImportTest, FailedLoadReleasesWhatItMadeOnTheDevice) {
    const ScratchFolder folder;
    // A whole part, then a part cut off inside its vertex chunk.
    const std::string path = folder.Write(
        "cut.mqo", kHeader + kTriangleObject + "Object \"cut\" {\n\tvertex 3 {\n\t\t0 0 0\n");
    AddNamedCharacter("one.mqo", 1);
    const std::size_t before = device.buffers.size();

    EXPECT_FALSE(graphics.ImportCharacter(path));

    EXPECT_EQ(FileNames(), std::vector<std::string>{"one.mqo"});
    ASSERT_GT(device.buffers.size(), before);
    for (std::size_t b = before; b < device.buffers.size(); ++b) {
        EXPECT_EQ(device.buffers[b]->releases, 1) << "buffer " << b;
    }
}

TEST_F(CDirectXGraphicsImportTest, ReloadStopsAtTheFirstMissingModel) {
    const ScratchFolder folder(GetProgramFolder());
    folder.Write("First.mqo", kHeader + kTriangleObject);
    folder.Write("Third.mqo", kHeader + kTriangleObject);
    const std::string relative = folder.Path().filename().string() + "\\";
    AddNamedCharacter(relative + "first.mqo", 2);
    AddNamedCharacter(relative + "second.mqo", 1);
    AddNamedCharacter(relative + "third.mqo", 1);
    graphics.m_characters[0].m_bLocked = true;

    EXPECT_FALSE(graphics.ReloadCharacters());

    EXPECT_EQ(PartCounts(), (std::vector<std::size_t>{1, 0, 0}));
    EXPECT_EQ(graphics.m_characters[0].m_keys.size(), 2u);
    EXPECT_TRUE(graphics.m_characters[0].m_bLocked);
}

TEST_F(CDirectXGraphicsImportTest, ReloadUsesRelativeNamesInTheProgramFolderAndFullPathsUnchanged) {
    const ScratchFolder inside(GetProgramFolder());
    const ScratchFolder outside;
    inside.Write("Sub/Inside.mqo", kHeader + kTriangleObject);
    const std::string absolute =
        Mbcs::MakeLower(outside.Write("Outside.mqo", kHeader + kTriangleObject + kTriangleObject));
    AddNamedCharacter(Mbcs::MakeLower(inside.Path().filename().string()) + "\\sub\\inside.mqo", 1);
    AddNamedCharacter(absolute, 3);

    EXPECT_TRUE(graphics.ReloadCharacters());

    EXPECT_EQ(PartCounts(), (std::vector<std::size_t>{1, 2}));
    EXPECT_EQ(graphics.m_characters[1].m_strFileName, absolute);
    EXPECT_EQ(graphics.m_characters[1].m_keys.size(), 3u);
}

TEST_F(CDirectXGraphicsImportTest, ReloadOfAnEmptySceneSucceeds) {
    EXPECT_TRUE(graphics.ReloadCharacters());
}

} // namespace
