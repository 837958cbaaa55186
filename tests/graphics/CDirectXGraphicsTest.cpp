#include "graphics/CDirectXGraphics.h"

#include "media/CDirectSound.h"
#include "platform/CArchive.h"
#include "platform/IDirect3DTexture9.h"
#include "platform/IDirect3DVertexBuffer9.h"

#include "scene/SceneStrings.h"
#include "support/DocumentBytes.h"
#include "support/FakeDevice.h"
#include "support/SceneTestValues.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using Texts = std::vector<std::string>;

using namespace SceneTestValues;

const std::string kNone = NoMotionName;

// The device objects of one character: one part's buffer and one material's texture.
struct DeviceObjects {
    FakeVertexBuffer buffer;
    FakeTexture texture;

    // Releases of the buffer and of the texture; no reference is ever added.
    std::array<int, 2> Releases() const {
        EXPECT_EQ(buffer.addRefs + texture.addRefs, 0);
        return {buffer.releases, texture.releases};
    }
};

void ExpectVector(const D3DXVECTOR3& actual, const D3DXVECTOR3& expected) {
    EXPECT_EQ(actual.x, expected.x);
    EXPECT_EQ(actual.y, expected.y);
    EXPECT_EQ(actual.z, expected.z);
}

CAnimation MakeRecord(std::int32_t state, float x = 0.0f) {
    CAnimation record;
    record.Init(state);
    record.m_position.x = x;
    return record;
}

std::vector<CAnimation> MakeTrack(const States& states) {
    std::vector<CAnimation> track;
    for (const std::int32_t state : states) {
        track.push_back(MakeRecord(state));
    }
    return track;
}

CCharacter MakeCharacter(const std::string& fileName, const States& states) {
    CCharacter character;
    character.m_strFileName = fileName;
    character.m_keys = MakeTrack(states);
    return character;
}

Bytes StoreDocument(CDirectSound& sound, CDirectXGraphics& scene) {
    Bytes buffer;
    CArchive archive(buffer, CArchive::store);
    archive << 1.3f;
    sound.Serialize(archive);
    scene.Serialize(archive);
    return buffer;
}

void LoadDocument(Bytes buffer, CDirectSound& sound, CDirectXGraphics& scene) {
    CArchive archive(buffer, CArchive::load);
    float version = 0.0f;
    archive >> version;
    sound.Serialize(archive);
    scene.Serialize(archive);
    EXPECT_EQ(version, 1.3f);
    EXPECT_EQ(archive.GetRemaining(), 0u);
}

using DocumentBytes::NewScene;

class CDirectXGraphicsTest : public testing::Test {
protected:
    CDirectXGraphicsTest() { scene.SetDefaults(); }

    // A character "c<index>.mqo" whose part and material hold the device objects of `index`.
    CCharacter MakeDeviceCharacter(std::size_t index) {
        CCharacter character = MakeCharacter("c" + std::to_string(index) + ".mqo", {K});
        character.m_parts.emplace_back();
        character.m_parts.back().m_pVertexBuffer = &devices[index].buffer;
        character.m_materials.emplace_back();
        character.m_materials.back().m_pTexture = &devices[index].texture;
        return character;
    }

    void AddDeviceCharacter(std::size_t index) {
        scene.m_characters.push_back(MakeDeviceCharacter(index));
    }

    std::vector<std::string> FileNames() const {
        std::vector<std::string> names;
        for (const CCharacter& character : scene.m_characters) {
            names.push_back(character.GetFileName());
        }
        return names;
    }

    void SetSubtitles(const Texts& texts, const States& states) {
        scene.m_subtitles = texts;
        scene.m_subtitleStates = states;
    }

    void ExpectSubtitles(const Texts& texts, const States& states) const {
        EXPECT_EQ(scene.m_subtitles, texts);
        EXPECT_EQ(scene.m_subtitleStates, states);
    }

    std::vector<float> CameraX() const {
        std::vector<float> xs;
        for (const CAnimation& record : scene.m_cameraKeys) {
            xs.push_back(record.m_position.x);
        }
        return xs;
    }

    // Declared before the scene so that they outlive its destructor's releases.
    std::array<DeviceObjects, 3> devices;
    CDirectXGraphics scene;
};

// --- Scene set-up ---

TEST_F(CDirectXGraphicsTest, DefaultConstructorGivesEmptyTracks) {
    const CDirectXGraphics empty;

    EXPECT_TRUE(empty.m_cameraKeys.empty());
    EXPECT_TRUE(empty.m_characters.empty());
    EXPECT_TRUE(empty.m_subtitles.empty());
    EXPECT_TRUE(empty.m_subtitleStates.empty());
    EXPECT_EQ(empty.m_perspectiveCamera.m_nState, FrameInBetween);
    ExpectVector(empty.m_perspectiveCamera.m_scale, D3DXVECTOR3(1, 1, 1));
}

TEST_F(CDirectXGraphicsTest, SetDefaultsGivesTheNewScene) {
    scene.m_crBackground = scene.m_crFont = RGB(1, 2, 3);
    scene.m_nEditMode = EditScale;
    scene.m_nRunMode = RunRecord;
    scene.m_nPickedHandle = PickedCentre;
    scene.m_bAxisX = scene.m_bAxisY = scene.m_bAxisZ = FALSE;
    scene.m_nSelected = 2;
    scene.m_cameraKeys.clear();
    SetSubtitles({"a", "b"}, {C, C});
    scene.m_nFrameCount = 1200;
    scene.m_nMovieWidth = scene.m_nMovieHeight = 64;
    scene.m_bFollowSelection = true;
    scene.m_nCameraMode = CameraTrack;
    scene.m_perspectiveCamera.m_position = D3DXVECTOR3(1, 1, 1);
    scene.m_bAntiAlias = true;

    scene.SetDefaults();

    EXPECT_EQ(scene.m_crBackground, RGB(30, 65, 90));
    EXPECT_EQ(scene.m_crFont, RGB(255, 255, 255));
    EXPECT_EQ(scene.m_nEditMode, EditMove);
    EXPECT_EQ(scene.m_nRunMode, RunEdit);
    EXPECT_EQ(scene.m_nPickedHandle, PickedNothing);
    EXPECT_EQ(scene.m_bAxisX, TRUE);
    EXPECT_EQ(scene.m_bAxisY, TRUE);
    EXPECT_EQ(scene.m_bAxisZ, TRUE);
    EXPECT_EQ(scene.m_nSelected, -1);
    ASSERT_EQ(scene.m_cameraKeys.size(), 1u);
    const CAnimation& camera = scene.m_cameraKeys.front();
    EXPECT_EQ(camera.m_nState, FrameKey);
    ExpectVector(camera.m_position, D3DXVECTOR3(0, -100, -1000));
    ExpectVector(camera.m_rotation, D3DXVECTOR3(0, 0, 0));
    ExpectVector(camera.m_scale, D3DXVECTOR3(1, 1, 1));
    ExpectSubtitles({""}, {K});
    EXPECT_EQ(scene.m_nFrameCount, 900);
    EXPECT_EQ(scene.m_nMovieWidth, 320);
    EXPECT_EQ(scene.m_nMovieHeight, 240);
    EXPECT_FALSE(scene.m_bFollowSelection);
    EXPECT_EQ(scene.m_nCameraMode, CameraPerspective);
    ExpectVector(scene.m_perspectiveCamera.m_position, D3DXVECTOR3(0, 0, -1000));
    EXPECT_FALSE(scene.m_bAntiAlias);
}

TEST_F(CDirectXGraphicsTest, SetDefaultsKeepsTheFirstOfSeveralCameraRecordsRewritten) {
    scene.m_cameraKeys = MakeTrack({C, K, K});
    CAnimation& first = scene.m_cameraKeys.front();
    first.m_position = D3DXVECTOR3(1, 2, 3);
    first.m_rotation = D3DXVECTOR3(4, 5, 6);
    first.m_scale = D3DXVECTOR3(7, 8, 9);
    first.m_strMotion = "M";

    scene.SetDefaults();

    ASSERT_EQ(scene.m_cameraKeys.size(), 1u);
    const CAnimation& camera = scene.m_cameraKeys.front();
    EXPECT_EQ(camera.m_nState, FrameKey);
    ExpectVector(camera.m_position, D3DXVECTOR3(0, -100, -1000));
    ExpectVector(camera.m_rotation, D3DXVECTOR3(0, 0, 0));
    ExpectVector(camera.m_scale, D3DXVECTOR3(1, 1, 1));
    EXPECT_EQ(camera.m_strMotion, "M");
}

TEST_F(CDirectXGraphicsTest, ResetCameraMovesOnlyThePerspectiveCamera) {
    CAnimation& perspective = scene.m_perspectiveCamera;
    perspective.m_nState = FrameKey;
    perspective.m_position = D3DXVECTOR3(1, 2, 3);
    perspective.m_rotation = D3DXVECTOR3(4, 5, 6);
    perspective.m_scale = D3DXVECTOR3(7, 8, 9);
    scene.m_nCameraMode = CameraTrack;
    scene.m_bFollowSelection = true;
    scene.m_cameraKeys.front().m_position = D3DXVECTOR3(5, 5, 5);

    scene.ResetCamera();

    ExpectVector(perspective.m_position, D3DXVECTOR3(0, 0, -1000));
    ExpectVector(perspective.m_rotation, D3DXVECTOR3(30, -30, 0));
    ExpectVector(perspective.m_scale, D3DXVECTOR3(1, 1, 1));
    EXPECT_EQ(perspective.m_nState, FrameKey);
    EXPECT_EQ(scene.m_nCameraMode, CameraPerspective);
    EXPECT_TRUE(scene.m_bFollowSelection);
    ExpectVector(scene.m_cameraKeys.front().m_position, D3DXVECTOR3(5, 5, 5));
}

TEST_F(CDirectXGraphicsTest, ClearSceneReleasesAndRemovesCharactersAndCameraRecordsOnly) {
    AddDeviceCharacter(0);
    AddDeviceCharacter(1);
    scene.m_nSelected = 1;
    scene.m_cameraKeys = MakeTrack({K, I, K});
    scene.SetSubtitle("T", 0);
    scene.m_crBackground = RGB(1, 2, 3);
    scene.m_nMovieWidth = 640;

    scene.ClearScene();

    EXPECT_TRUE(scene.m_characters.empty());
    EXPECT_TRUE(scene.m_cameraKeys.empty());
    EXPECT_EQ(scene.m_nSelected, 1);
    ExpectSubtitles({"T"}, {C});
    EXPECT_EQ(scene.m_crBackground, RGB(1, 2, 3));
    EXPECT_EQ(scene.m_nMovieWidth, 640);
    EXPECT_EQ(devices[0].Releases(), (std::array<int, 2>{1, 1}));
    EXPECT_EQ(devices[1].Releases(), (std::array<int, 2>{1, 1}));
}

TEST_F(CDirectXGraphicsTest, DestructionReleasesEveryCharacterOnce) {
    {
        CDirectXGraphics owner;
        owner.m_characters = {MakeDeviceCharacter(0), MakeDeviceCharacter(1)};
    }

    EXPECT_EQ(devices[0].Releases(), (std::array<int, 2>{1, 1}));
    EXPECT_EQ(devices[1].Releases(), (std::array<int, 2>{1, 1}));
}

TEST_F(CDirectXGraphicsTest, DeleteCharacterReleasesOnlyTheDeletedCharacter) {
    for (std::size_t i = 0; i < 3; ++i) {
        AddDeviceCharacter(i);
    }
    scene.m_nSelected = 2;

    scene.DeleteCharacter(3);
    scene.DeleteCharacter(-1);

    EXPECT_EQ(FileNames(), (std::vector<std::string>{"c0.mqo", "c1.mqo", "c2.mqo"}));
    EXPECT_EQ(devices[0].Releases(), (std::array<int, 2>{0, 0}));

    scene.DeleteCharacter(0);

    EXPECT_EQ(FileNames(), (std::vector<std::string>{"c1.mqo", "c2.mqo"}));
    EXPECT_EQ(scene.m_nSelected, 2);
    EXPECT_EQ(devices[0].Releases(), (std::array<int, 2>{1, 1}));
    EXPECT_EQ(devices[1].Releases(), (std::array<int, 2>{0, 0}));
    EXPECT_EQ(devices[2].Releases(), (std::array<int, 2>{0, 0}));
    EXPECT_EQ(scene.m_characters[1].m_parts.front().m_pVertexBuffer, &devices[2].buffer);

    scene.ClearScene();

    for (const DeviceObjects& objects : devices) {
        EXPECT_EQ(objects.Releases(), (std::array<int, 2>{1, 1}));
    }
}

// --- Subtitle track ---

TEST_F(CDirectXGraphicsTest, SubtitleAccessorsWorkOnExistingFramesOnly) {
    scene.SetSubtitle("T", 0);
    scene.SetSubtitle("U", 1);
    scene.SetSubtitle("U", -1);

    ExpectSubtitles({"T"}, {C});
    EXPECT_EQ(scene.GetSubtitle(0), "T");
    EXPECT_EQ(scene.GetSubtitle(1), "");
    EXPECT_EQ(scene.GetSubtitle(-1), "");
}

TEST_F(CDirectXGraphicsTest, SetSubtitleFrameStatePastTheEndGrowsTheTrack) {
    scene.SetSubtitle("T", 0);

    scene.SetSubtitleFrameState(5, FrameContentKey);
    scene.SetSubtitleFrameState(-1, FrameKey);

    ExpectSubtitles({"T", "", "", "", "", ""}, {C, I, I, I, I, C});

    scene.SetSubtitleFrameState(0, FrameEmpty);

    ExpectSubtitles({"T", "", "", "", "", ""}, {E, I, I, I, I, C});
}

TEST_F(CDirectXGraphicsTest, InsertAndDeleteSubtitleFramesNeedAnExistingFrame) {
    SetSubtitles({"A", "B"}, {C, K});

    scene.InsertSubtitleFrame(2);
    scene.DeleteSubtitleFrame(2);
    scene.InsertSubtitleFrame(-1);
    scene.DeleteSubtitleFrame(-1);
    ExpectSubtitles({"A", "B"}, {C, K});

    scene.InsertSubtitleFrame(0);
    ExpectSubtitles({"", "A", "B"}, {I, C, K});

    scene.DeleteSubtitleFrame(1);
    ExpectSubtitles({"", "B"}, {I, K});
}

TEST_F(CDirectXGraphicsTest, FillSubtitlesRepeatsContentKeyTexts) {
    struct Case {
        const char* name;
        States states;
        Texts before;
        Texts after;
    };
    Texts staleWithT(13, "old");
    staleWithT[5] = "T";
    const Texts showTUntil10 = {"", "", "", "", "", "T", "T", "T", "T", "T", "", "", ""};
    Texts emptyAt7 = showTUntil10;
    emptyAt7[7] = "";
    const Case cases[] = {
        {"plain key ends it", {I, I, I, I, I, C, I, I, I, I, K, I, I}, staleWithT, showTUntil10},
        {"empty frame interrupts it",
         {I, I, I, I, I, C, I, E, I, I, K, I, I},
         staleWithT,
         emptyAt7},
        {"no content key", States(13, K), staleWithT, Texts(13)},
        {"next content key", {C, I, C, I}, {"A", "x", "B", "y"}, {"A", "A", "B", "B"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetSubtitles(c.before, c.states);

        scene.FillSubtitles();

        ExpectSubtitles(c.after, c.states);
    }
}

// --- Camera track ---

TEST_F(CDirectXGraphicsTest, InsertAndDeleteCameraFramesNeedAnExistingRecord) {
    scene.m_cameraKeys = {MakeRecord(K, 1), MakeRecord(E, 2)};

    scene.InsertCameraFrame(2);
    scene.InsertCameraFrame(-1);
    scene.DeleteCameraFrame(2);
    scene.DeleteCameraFrame(-1);
    EXPECT_EQ(CameraX(), (std::vector<float>{1, 2}));

    scene.InsertCameraFrame(0);
    ASSERT_EQ(CameraX(), (std::vector<float>{0, 1, 2}));
    EXPECT_EQ(scene.m_cameraKeys[0].m_nState, FrameInBetween);
    ExpectVector(scene.m_cameraKeys[0].m_scale, D3DXVECTOR3(1, 1, 1));
    EXPECT_EQ(scene.m_cameraKeys[2].m_nState, FrameEmpty);

    scene.DeleteCameraFrame(2);
    EXPECT_EQ(CameraX(), (std::vector<float>{0, 1}));

    scene.m_cameraKeys.clear();
    scene.DeleteCameraFrame(0);
    EXPECT_TRUE(scene.m_cameraKeys.empty());
}

TEST_F(CDirectXGraphicsTest, CameraKeyedPastTheEndStartsFromItsLastKey) {
    CAnimation& key = scene.m_cameraKeys.front();
    key.m_position = D3DXVECTOR3(10, 20, 30);
    key.m_rotation = D3DXVECTOR3(1, 2, 3);
    key.m_scale = D3DXVECTOR3(4, 5, 6);
    key.m_strMotion = "M";
    key.m_nMotionFrame = 7;
    key.m_bLoop = key.m_bStopAtEnd = true;
    key.m_bActive = 1;

    scene.SetCameraFrameState(10, FrameKey);

    ASSERT_EQ(scene.m_cameraKeys.size(), 11u);
    for (std::size_t frame = 1; frame < 10; ++frame) {
        SCOPED_TRACE(frame);
        const CAnimation& between = scene.m_cameraKeys[frame];
        EXPECT_EQ(between.m_nState, FrameInBetween);
        ExpectVector(between.m_position, D3DXVECTOR3(0, 0, 0));
        ExpectVector(between.m_scale, D3DXVECTOR3(1, 1, 1));
    }
    const CAnimation& keyed = scene.m_cameraKeys[10];
    EXPECT_EQ(keyed.m_nState, FrameKey);
    ExpectVector(keyed.m_position, D3DXVECTOR3(10, 20, 30));
    ExpectVector(keyed.m_rotation, D3DXVECTOR3(1, 2, 3));
    ExpectVector(keyed.m_scale, D3DXVECTOR3(4, 5, 6));
    EXPECT_EQ(keyed.m_strMotion, "M");
    EXPECT_EQ(keyed.m_nMotionFrame, 7);
    EXPECT_TRUE(keyed.m_bLoop);
    EXPECT_TRUE(keyed.m_bStopAtEnd);
    EXPECT_EQ(keyed.m_bActive, 1);
}

TEST_F(CDirectXGraphicsTest, SetCameraFrameStateCopiesTheNearestKeyOnlyIntoAnEmptyRecord) {
    struct Case {
        const char* name;
        States states; // record i stands at x = 100 + i
        int frame;
        std::int32_t state;
        float x; // of the frame afterwards
    };
    const Case cases[] = {
        {"in-between", {K, I, E, E}, 1, K, 101},
        {"empty after a key", {K, I, E, E}, 2, K, 100},
        {"empty made empty", {K, I, E, E}, 3, E, 100},
        {"empty without an earlier key", {E, K}, 0, K, 100},
        {"empty after a content key", {I, C, E}, 2, C, 101},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        scene.m_cameraKeys.clear();
        for (const std::int32_t state : c.states) {
            scene.m_cameraKeys.push_back(
                MakeRecord(state, 100.0f + static_cast<float>(scene.m_cameraKeys.size())));
        }

        scene.SetCameraFrameState(c.frame, c.state);

        ASSERT_EQ(scene.m_cameraKeys.size(), c.states.size());
        const CAnimation& record = scene.m_cameraKeys[static_cast<std::size_t>(c.frame)];
        EXPECT_EQ(record.m_nState, c.state);
        EXPECT_EQ(record.m_position.x, c.x);
    }
}

TEST_F(CDirectXGraphicsTest, SetCameraFrameStateAtANegativeFrameChangesNothing) {
    scene.SetCameraFrameState(-1, FrameEmpty);

    ASSERT_EQ(scene.m_cameraKeys.size(), 1u);
    EXPECT_EQ(scene.m_cameraKeys.front().m_nState, FrameKey);
}

TEST_F(CDirectXGraphicsTest, InterpolateCameraKeysFillsOnlyTheTransforms) {
    scene.m_cameraKeys = {MakeRecord(K, 0), MakeRecord(I, 99), MakeRecord(E, 99), MakeRecord(C, 3),
                          MakeRecord(I, 99)};
    scene.m_cameraKeys[1].m_strMotion = "M";
    scene.m_cameraKeys[1].m_nMotionFrame = 4;

    scene.InterpolateCameraKeys();

    EXPECT_EQ(CameraX(), (std::vector<float>{0, 1, 2, 3, 99}));
    EXPECT_EQ(scene.m_cameraKeys[1].m_strMotion, "M");
    EXPECT_EQ(scene.m_cameraKeys[1].m_nMotionFrame, 4);
    EXPECT_EQ(scene.m_cameraKeys[2].m_nState, FrameEmpty);
}

// --- Characters ---

TEST_F(CDirectXGraphicsTest, CharacterKeyedPastTheEndStartsAtTheOrigin) {
    scene.m_characters.push_back(MakeCharacter("a.mqo", {K}));
    scene.m_characters[0].m_keys[0].m_position = D3DXVECTOR3(10, 20, 30);

    scene.SetCharacterFrameState(FrameKey, 0, 10);
    scene.SetCharacterFrameState(FrameKey, 1, 12);
    scene.SetCharacterFrameState(FrameKey, -1, 12);

    const CCharacter& character = scene.m_characters[0];
    ASSERT_EQ(character.GetKeyCount(), 11);
    EXPECT_EQ(character.GetKeyState(10), FrameKey);
    ExpectVector(character.GetKeyPosition(10), D3DXVECTOR3(0, 0, 0));
    ExpectVector(character.GetKeyScale(10), D3DXVECTOR3(1, 1, 1));
}

// A document may hold any state. A character takes a record below 0 as an empty one and
// copies its last key into it; the camera does so for FrameEmpty alone.
TEST_F(CDirectXGraphicsTest, KeyingARecordStoredBelowZeroCopiesTheLastKeyOnCharacters) {
    struct Case {
        bool camera;
        std::int32_t stored;
        bool copied;
    };
    const Case cases[] = {
        {false, FrameEmpty, true}, {false, -5, true},      {false, INT_MIN, true},
        {false, I, false},         {false, K, false},      {true, FrameEmpty, true},
        {true, -5, false},         {true, INT_MIN, false}, {true, I, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.camera ? "camera " : "character ") + std::to_string(c.stored));
        const std::vector<CAnimation> track = {MakeRecord(K, 100), MakeRecord(c.stored, 101)};
        scene.m_cameraKeys = track;
        scene.m_characters = {CCharacter()};
        scene.m_characters[0].m_keys = track;

        if (c.camera) {
            scene.SetCameraFrameState(1, FrameKey);
        } else {
            scene.SetCharacterFrameState(FrameKey, 0, 1);
        }

        const CAnimation& record =
            c.camera ? scene.m_cameraKeys[1] : scene.m_characters[0].m_keys[1];
        EXPECT_EQ(record.m_nState, FrameKey);
        EXPECT_EQ(record.m_position.x, c.copied ? 100 : 101);
    }
}

TEST_F(CDirectXGraphicsTest, CharacterFrameEditsNeedAnExistingCharacterAndFrame) {
    scene.m_characters.push_back(MakeCharacter("a.mqo", {K, E, C}));
    const std::vector<std::int32_t> unchanged = {K, E, C};
    auto states = [&] {
        std::vector<std::int32_t> result;
        for (const CAnimation& record : scene.m_characters[0].m_keys) {
            result.push_back(record.m_nState);
        }
        return result;
    };

    scene.DeleteCharacterFrame(0, 3);
    scene.DeleteCharacterFrame(0, -1);
    scene.DeleteCharacterFrame(1, 0);
    scene.InsertCharacterFrame(1, 0);
    scene.InsertCharacterFrame(-1, 0);
    scene.InsertCharacterFrame(0, 3);
    EXPECT_EQ(states(), unchanged);

    scene.DeleteCharacterFrame(0, 1);
    EXPECT_EQ(states(), (std::vector<std::int32_t>{K, C}));

    scene.InsertCharacterFrame(0, 1);
    EXPECT_EQ(states(), (std::vector<std::int32_t>{K, C, C}));
}

TEST_F(CDirectXGraphicsTest, CharacterAccessorsAnswerDefaultsOutOfRange) {
    EXPECT_EQ(scene.GetCharacterFrameState(0, 0), FrameEmpty);

    scene.m_characters.push_back(MakeCharacter("a.mqo", States(10, C)));
    CCharacter& character = scene.m_characters[0];
    character.m_keys[9].m_strMotion = "W";
    character.m_animationNames = {"W"};

    EXPECT_EQ(scene.GetCharacterFrameState(0, 9), FrameContentKey);
    EXPECT_EQ(scene.GetCharacterFrameState(0, 10), FrameEmpty);
    EXPECT_EQ(scene.GetCharacterFrameState(-1, 0), FrameEmpty);
    EXPECT_EQ(scene.GetCharacterFrameState(1, 0), FrameEmpty);
    EXPECT_EQ(scene.GetCharacterMotionName(0, 9), "W");
    EXPECT_EQ(scene.GetCharacterMotionName(0, 10), kNone);
    EXPECT_EQ(scene.GetCharacterMotionName(1, 9), kNone);
    EXPECT_EQ(scene.GetAnimationName(0, 0), "W");
    EXPECT_EQ(scene.GetAnimationName(0, 1), kNone);
    EXPECT_EQ(scene.GetAnimationName(-1, 0), kNone);
    EXPECT_EQ(scene.GetBoneAnimationName(0, 0), kNone); // no parts
    EXPECT_EQ(scene.GetBoneAnimationName(1, 0), kNone);
}

TEST_F(CDirectXGraphicsTest, LoopAndStopAtEndAreReadFromTheFrameItself) {
    scene.m_characters.push_back(MakeCharacter("a.mqo", {C, I, I}));
    CCharacter& character = scene.m_characters[0];
    character.m_keys[0].m_bLoop = character.m_keys[0].m_bStopAtEnd = true;
    character.m_keys[2].m_bLoop = character.m_keys[2].m_bStopAtEnd = true;

    EXPECT_TRUE(scene.GetCharacterLoop(0, 0));
    EXPECT_FALSE(scene.GetCharacterLoop(0, 1));
    EXPECT_TRUE(scene.GetCharacterLoop(0, 2));
    EXPECT_FALSE(scene.GetCharacterLoop(0, 3));
    EXPECT_FALSE(scene.GetCharacterLoop(1, 0));
    EXPECT_TRUE(scene.GetCharacterStopAtEnd(0, 0));
    EXPECT_FALSE(scene.GetCharacterStopAtEnd(0, 1));
    EXPECT_TRUE(scene.GetCharacterStopAtEnd(0, 2));
    EXPECT_FALSE(scene.GetCharacterStopAtEnd(-1, 0));
}

TEST_F(CDirectXGraphicsTest, SetCharacterMotionNameKeysTheCharactersFrame) {
    scene.m_characters.push_back(MakeCharacter("a.mqo", {I, I, I}));

    scene.SetCharacterMotionName(0, 2, "R");
    scene.SetCharacterMotionName(1, 1, "R");

    const CCharacter& character = scene.m_characters[0];
    EXPECT_EQ(character.GetKeyState(1), FrameInBetween);
    EXPECT_EQ(character.GetKeyState(2), FrameContentKey);
    EXPECT_EQ(character.GetKeyMotionName(2), "R");
}

TEST_F(CDirectXGraphicsTest, InterpolationReachesTheCharactersAsked) {
    // Each character's middle frame shows whether it was interpolated.
    auto interpolated = [&] {
        std::vector<bool> result;
        for (const CCharacter& character : scene.m_characters) {
            result.push_back(character.GetKeyPositionX(1) == 1.0f);
        }
        return result;
    };
    auto reset = [&] {
        scene.m_characters.clear();
        for (int i = 0; i < 2; ++i) {
            CCharacter character = MakeCharacter("a.mqo", {K, I, K});
            character.m_keys[1].m_position.x = 99.0f;
            character.m_keys[2].m_position.x = 2.0f;
            scene.m_characters.push_back(character);
        }
    };

    reset();
    scene.InterpolateCharacter(1);
    scene.InterpolateCharacter(2);
    scene.InterpolateCharacter(-1);
    EXPECT_EQ(interpolated(), (std::vector<bool>{false, true}));

    reset();
    scene.m_nSelected = 0;
    scene.InterpolateSelectedCharacter();
    EXPECT_EQ(interpolated(), (std::vector<bool>{true, false}));

    reset();
    for (const int selected : {-1, 2}) {
        scene.m_nSelected = selected;
        scene.InterpolateSelectedCharacter();
    }
    EXPECT_EQ(interpolated(), (std::vector<bool>{false, false}));

    scene.InterpolateAllCharacters();
    EXPECT_EQ(interpolated(), (std::vector<bool>{true, true}));
}

// --- Document form ---

TEST_F(CDirectXGraphicsTest, NewSceneIsStoredAsNinetyFourBytes) {
    CDirectSound sound;

    EXPECT_EQ(StoreDocument(sound, scene), NewScene);
}

TEST_F(CDirectXGraphicsTest, CharactersComeAfterTheSceneFieldsAndBeforeTheCameraRecords) {
    CDirectSound sound;
    scene.m_characters.push_back(MakeCharacter("a", {C}));
    scene.m_characters[0].m_keys[0].m_strMotion = "W";
    scene.m_cameraKeys.push_back(MakeRecord(I));
    constexpr std::size_t sceneFieldsEnd = 51;
    Bytes expected(NewScene.begin(), NewScene.begin() + sceneFieldsEnd);
    expected[DocumentBytes::Characters.at] = 1;
    expected[DocumentBytes::CameraRecords.at] = 2;
    const Bytes character = {
        0x01, 'a',  0x01, 0x00, 0x00, 0x00, 0x00,       // name, key count, not locked
        0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, // content key, position x
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, // position y, z
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, // rotation x, y
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0x3F, // rotation z, scale x
        0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x80, 0x3F, // scale y, z
        0x01, 'W',  0x00, 0x00,                         // motion, loop, stop at end
    };
    expected.insert(expected.end(), character.begin(), character.end());
    expected.insert(expected.end(), NewScene.begin() + sceneFieldsEnd, NewScene.end());
    const Bytes inBetweenCamera = {
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
        0x80, 0x3F, 0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x00,
    };
    expected.insert(expected.end(), inBetweenCamera.begin(), inBetweenCamera.end());

    EXPECT_EQ(StoreDocument(sound, scene), expected);
}

// A document with two characters, three camera records, subtitles and WAV frames, with
// every stored value away from its default.
Bytes MakeRichDocument() {
    CDirectSound sound;
    sound.SetWave(0, "a.wav");
    sound.SetWaveFrameState(2, FrameKey);
    CDirectXGraphics scene;
    scene.SetDefaults();
    scene.m_crBackground = RGB(1, 2, 3);
    scene.m_crFont = RGB(250, 128, 0);
    scene.m_nFrameCount = 1200;
    scene.m_nMovieWidth = 640;
    scene.m_nMovieHeight = 480;
    scene.m_bAntiAlias = true;
    scene.SetSubtitle("\x8e\x9a\x96\x8b", 0); // "字幕"
    scene.SetSubtitleFrameState(3, FrameContentKey);
    scene.SetSubtitle(std::string(300, 's'), 3);
    scene.m_cameraKeys = {MakeRecord(K, 1), MakeRecord(I, 2), MakeRecord(C, 3)};
    scene.m_cameraKeys[2].m_rotation = D3DXVECTOR3(10, 20, 30);
    scene.m_characters.push_back(MakeCharacter("b.mqo", {C, E}));
    scene.m_characters.push_back(MakeCharacter("model\\a.mqo", {K, I, K}));
    scene.m_characters[0].m_bLocked = true;
    scene.m_characters[0].m_keys[0].m_strMotion = "W";
    scene.m_characters[0].m_keys[0].m_bLoop = true;
    scene.m_characters[1].m_keys[2].m_scale = D3DXVECTOR3(2, 3, 4);
    return StoreDocument(sound, scene);
}

TEST_F(CDirectXGraphicsTest, StoredSceneReadsBackAndStoresTheSameBytes) {
    const Bytes stored = MakeRichDocument();
    CDirectSound sound;
    scene.ClearScene();

    LoadDocument(stored, sound, scene);

    EXPECT_EQ(sound.GetWaveName(0), "a.wav");
    EXPECT_EQ(sound.m_frameStates, (States{C, I, K}));
    EXPECT_EQ(scene.m_crFont, RGB(250, 128, 0));
    EXPECT_EQ(scene.m_nMovieHeight, 480);
    EXPECT_TRUE(scene.m_bAntiAlias);
    EXPECT_EQ(scene.GetSubtitle(3), std::string(300, 's'));
    EXPECT_EQ(scene.m_subtitleStates, (States{C, I, I, C}));
    EXPECT_EQ(CameraX(), (std::vector<float>{1, 2, 3}));
    EXPECT_EQ(FileNames(), (std::vector<std::string>{"b.mqo", "model\\a.mqo"}));
    EXPECT_TRUE(scene.m_characters[0].m_bLocked);
    EXPECT_TRUE(scene.GetCharacterLoop(0, 0));
    EXPECT_EQ(scene.GetCharacterFrameState(1, 2), FrameKey);
    EXPECT_EQ(StoreDocument(sound, scene), stored);
}

TEST_F(CDirectXGraphicsTest, TruncatedDocumentThrows) {
    const Bytes stored = MakeRichDocument();
    for (std::size_t length = 0; length < stored.size(); ++length) {
        SCOPED_TRACE(length);
        CDirectSound sound;
        CDirectXGraphics loaded;
        EXPECT_THROW(LoadDocument(Bytes(stored.begin(),
                                        stored.begin() + static_cast<std::ptrdiff_t>(length)),
                                  sound, loaded),
                     CArchiveException);
    }
}

TEST_F(CDirectXGraphicsTest, HostileCountsThrowBeforeAnyListGrows) {
    using namespace DocumentBytes;
    for (const Count& field : {WaveFrames, Characters, CameraRecords, SubtitleFrames}) {
        for (const std::int32_t count : {-1, INT_MIN, INT_MAX, 1000000}) {
            SCOPED_TRACE(std::string(field.name) + ": " + std::to_string(count));
            Bytes stored = NewScene;
            PutInt32(stored, field.at, count);
            CDirectSound sound;
            CDirectXGraphics loaded;

            EXPECT_THROW(LoadDocument(stored, sound, loaded), CArchiveException);
            EXPECT_EQ(sound.m_frameStates.size(), 1u);
            EXPECT_TRUE(loaded.m_characters.empty());
            EXPECT_LE(loaded.m_cameraKeys.size(), 1u);
            EXPECT_TRUE(loaded.m_subtitleStates.empty());
        }
    }
}

} // namespace
