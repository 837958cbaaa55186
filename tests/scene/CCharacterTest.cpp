#include "scene/CCharacter.h"

#include "platform/CArchive.h"
#include "platform/IDirect3DTexture9.h"
#include "platform/IDirect3DVertexBuffer9.h"
#include "scene/SceneStrings.h"

#include "support/FakeDevice.h"
#include "support/SceneTestValues.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace SceneTestValues;

const std::string kNone = NoMotionName;

void ExpectVector(const D3DXVECTOR3& actual, const D3DXVECTOR3& expected) {
    EXPECT_EQ(actual.x, expected.x);
    EXPECT_EQ(actual.y, expected.y);
    EXPECT_EQ(actual.z, expected.z);
}

D3DXMATRIX Identity() {
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    return identity;
}

// One record per state, each a fresh record of that state.
CCharacter WithStates(const States& states) {
    CCharacter character;
    for (const std::int32_t state : states) {
        CAnimation record;
        record.Init(state);
        character.m_keys.push_back(record);
    }
    return character;
}

// A first part whose object motions have the given numbers of matrices.
MQAObject PartWithObjectMotions(const std::vector<std::size_t>& lengths) {
    MQAObject part;
    for (const std::size_t length : lengths) {
        part.m_animations.emplace_back(length, Identity());
    }
    return part;
}

// A first part whose bone animations have the given numbers of frames on bone 0; a length
// of -1 gives an animation without bones.
MQAObject PartWithBoneAnimations(const std::vector<int>& bone0Lengths,
                                 const std::vector<std::string>& names) {
    MQAObject part;
    for (const int length : bone0Lengths) {
        std::vector<std::vector<D3DXMATRIX>> bones;
        if (length >= 0) {
            bones.emplace_back(static_cast<std::size_t>(length), Identity());
            bones.emplace_back(2, Identity()); // a second bone, never used for the length
        }
        part.m_boneAnimations.push_back(bones);
    }
    part.m_boneAnimationNames = names;
    return part;
}

// A character whose object motions are named and as long as given.
CCharacter WithObjectMotions(const std::vector<std::pair<std::string, std::size_t>>& motions,
                             const States& states) {
    CCharacter character = WithStates(states);
    std::vector<std::size_t> lengths;
    for (const auto& [name, length] : motions) {
        character.m_animationNames.push_back(name);
        lengths.push_back(length);
    }
    character.m_parts.push_back(PartWithObjectMotions(lengths));
    return character;
}

// Makes record `frame` a content key playing `motion` with the given flags.
void SetContentKey(CCharacter& character, int frame, const std::string& motion, bool loop,
                   bool stopAtEnd) {
    CAnimation& record = character.m_keys[static_cast<std::size_t>(frame)];
    record.m_nState = FrameContentKey;
    record.m_strMotion = motion;
    record.m_bLoop = loop;
    record.m_bStopAtEnd = stopAtEnd;
}

const CAnimation& Key(const CCharacter& character, int frame) {
    return character.m_keys[static_cast<std::size_t>(frame)];
}

CAnimation& Key(CCharacter& character, int frame) {
    return character.m_keys[static_cast<std::size_t>(frame)];
}

Bytes Store(CCharacter& character) {
    Bytes buffer;
    CArchive archive(buffer, CArchive::store);
    character.Serialize(archive);
    return buffer;
}

void Load(Bytes buffer, CCharacter& character) {
    CArchive archive(buffer, CArchive::load);
    character.Serialize(archive);
    EXPECT_EQ(archive.GetRemaining(), 0u);
}

// "a.mqo", locked, with a key at the origin and an empty frame at x = 2 playing W and
// stopping at its end.
const Bytes kStoredCharacter = {
    0x05, 'a',  '.',  'm',  'q',  'o',                                      // file name
    0x02, 0x00, 0x00, 0x00,                                                 // key record count
    0x01,                                                                   // locked
    0x01, 0x00, 0x00, 0x00,                                                 // record 0: FrameKey
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, // position
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, // rotation
    0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x80, 0x3F, // scale
    0x00, 0x00, 0x00,       // no motion, no loop, no stop at end
    0xFF, 0xFF, 0xFF, 0xFF, // record 1: FrameEmpty
    0x00, 0x00, 0x00, 0x40, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, // position
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, // rotation
    0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x80, 0x3F, // scale
    0x01, 'W',  0x00, 0x01, // motion W, no loop, stop at end
};

CCharacter MakeStoredCharacter() {
    CCharacter character = WithStates({K, E});
    character.m_strFileName = "a.mqo";
    character.m_bLocked = true;
    Key(character, 1).m_position = D3DXVECTOR3(2, 0, 0);
    Key(character, 1).m_strMotion = "W";
    Key(character, 1).m_bStopAtEnd = true;
    return character;
}

TEST(CCharacterTest, NewCharacterIsEmptyShownAndUnlocked) {
    const CCharacter character;

    EXPECT_TRUE(character.m_parts.empty());
    EXPECT_EQ(character.m_nCollisionPart, -1);
    EXPECT_TRUE(character.m_materials.empty());
    EXPECT_TRUE(character.m_animationNames.empty());
    EXPECT_EQ(character.m_matWorld, Identity());
    EXPECT_EQ(character.m_nMotionFrame, 0);
    EXPECT_EQ(character.m_nMotion, 0);
    EXPECT_TRUE(character.m_keys.empty());
    EXPECT_EQ(character.GetFileName(), "");
    EXPECT_TRUE(character.m_bShown);
    EXPECT_FALSE(character.m_bLocked);
}

// --- Track edits ---

TEST(CCharacterTest, SetFrameStatePastTheEndAppendsInBetweenRecordsAtTheOrigin) {
    CCharacter character = WithStates({K, K});
    Key(character, 1).m_position = D3DXVECTOR3(1, 2, 3);
    Key(character, 1).m_scale = D3DXVECTOR3(4, 4, 4);

    character.SetFrameState(5, FrameKey);

    ASSERT_EQ(character.GetKeyCount(), 6);
    ExpectVector(Key(character, 1).m_position, D3DXVECTOR3(1, 2, 3));
    for (int frame = 2; frame <= 5; ++frame) {
        SCOPED_TRACE(frame);
        EXPECT_EQ(Key(character, frame).m_nState, frame == 5 ? FrameKey : FrameInBetween);
        ExpectVector(Key(character, frame).m_position, D3DXVECTOR3(0, 0, 0));
        ExpectVector(Key(character, frame).m_scale, D3DXVECTOR3(1, 1, 1));
    }
}

TEST(CCharacterTest, SetFrameStateOnAnEmptyFrameCopiesTheNearestEarlierKey) {
    CCharacter character = WithStates({K, E, E, E});
    CAnimation& key = Key(character, 0);
    key.m_position = D3DXVECTOR3(1, 2, 3);
    key.m_strMotion = "W";
    key.m_bLoop = true;
    key.m_nMotionFrame = 7;
    key.m_bActive = 1;
    const D3DXMATRIX targetWorld = Key(character, 3).CalcWorldMatrix();

    character.SetFrameState(3, FrameKey);

    const CAnimation& record = Key(character, 3);
    EXPECT_EQ(record.m_nState, FrameKey);
    ExpectVector(record.m_position, D3DXVECTOR3(1, 2, 3));
    EXPECT_EQ(record.m_strMotion, "W");
    EXPECT_TRUE(record.m_bLoop);
    EXPECT_EQ(record.m_nMotionFrame, 7);
    EXPECT_EQ(record.m_bActive, 1);
    EXPECT_EQ(record.m_matWorld, targetWorld);
    EXPECT_EQ(Key(character, 2).m_nState, FrameEmpty);
}

TEST(CCharacterTest, SetFrameStateCopiesTheLatestKeyBeforeTheFrame) {
    CCharacter character = WithStates({K, C, I, E, E});
    Key(character, 1).m_position = D3DXVECTOR3(4, 5, 6);

    character.SetFrameState(4, FrameKey);

    ExpectVector(Key(character, 4).m_position, D3DXVECTOR3(4, 5, 6));
}

TEST(CCharacterTest, SetFrameStateWithoutAnEarlierKeyOrOnAPresentFrameOnlyChangesTheState) {
    struct Case {
        const char* name;
        States states;
        int frame;
    };
    const Case cases[] = {
        {"empty frames only", {E, E, E}, 2},
        {"in-between frame after a key", {K, I, I}, 2},
        {"key frame", {K, I, K}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CCharacter character = WithStates(c.states);
        Key(character, 0).m_position = D3DXVECTOR3(1, 1, 1);
        Key(character, c.frame).m_position = D3DXVECTOR3(4, 5, 6);

        character.SetFrameState(c.frame, FrameContentKey);

        EXPECT_EQ(Key(character, c.frame).m_nState, FrameContentKey);
        ExpectVector(Key(character, c.frame).m_position, D3DXVECTOR3(4, 5, 6));
        EXPECT_EQ(character.GetKeyCount(), 3);
    }
}

// The walk over many frames gives what one SetFrameState after another gives: an empty
// record starts from the latest key before it, a key set or left on the way included.
TEST(CCharacterTest, SetFrameStatesCarriesTheLatestKeyAlong) {
    CCharacter character = WithStates({K, I, E, K, E, E});
    for (int f = 0; f < 4; ++f) {
        Key(character, f).m_position = D3DXVECTOR3(static_cast<float>(f + 1), 0, 0);
    }
    const std::optional<std::int32_t> unchanged;
    const std::vector<std::optional<std::int32_t>> states = {unchanged, K,         E, unchanged,
                                                             I,         unchanged, K};

    character.SetFrameStates(7, [&](int f) { return states.at(static_cast<std::size_t>(f)); });

    States stored;
    std::vector<float> positions;
    for (const CAnimation& record : character.m_keys) {
        stored.push_back(record.m_nState);
        positions.push_back(record.m_position.x);
    }
    EXPECT_EQ(stored, (States{K, K, E, K, I, E, K}));
    EXPECT_EQ(positions, (std::vector<float>{1, 2, 2, 4, 4, 0, 0}));
}

TEST(CCharacterTest, SetFrameStateAtANegativeFrameChangesNothing) {
    CCharacter character = WithStates({E});

    character.SetFrameState(-1, FrameKey);

    ASSERT_EQ(character.GetKeyCount(), 1);
    EXPECT_EQ(Key(character, 0).m_nState, FrameEmpty);
}

TEST(CCharacterTest, InsertFrameAddsADefaultRecordWithTheStateOfTheFrameItMoves) {
    CCharacter character = WithStates({K, E, I});
    Key(character, 0).m_position = D3DXVECTOR3(1, 2, 3);

    character.InsertFrame(0);

    ASSERT_EQ(character.GetKeyCount(), 4);
    EXPECT_EQ(Key(character, 0).m_nState, FrameKey);
    ExpectVector(Key(character, 0).m_position, D3DXVECTOR3(0, 0, 0));
    ExpectVector(Key(character, 1).m_position, D3DXVECTOR3(1, 2, 3));
    EXPECT_EQ(Key(character, 2).m_nState, FrameEmpty);
    EXPECT_EQ(Key(character, 3).m_nState, FrameInBetween);

    character.InsertFrame(2);

    ASSERT_EQ(character.GetKeyCount(), 5);
    EXPECT_EQ(Key(character, 2).m_nState, FrameEmpty);
    EXPECT_EQ(Key(character, 3).m_nState, FrameEmpty);
}

TEST(CCharacterTest, InsertFrameOutsideTheRecordsChangesNothing) {
    CCharacter character = WithStates({K, I, I});

    character.InsertFrame(3);
    character.InsertFrame(-1);

    EXPECT_EQ(character.GetKeyCount(), 3);
}

// --- Per-frame accessors ---

struct FlagSetter {
    const char* name;
    void (CCharacter::*set)(int, bool);
    bool CAnimation::*flag;
};

const FlagSetter kFlagSetters[] = {
    {"loop", &CCharacter::SetKeyLoop, &CAnimation::m_bLoop},
    {"stop at end", &CCharacter::SetKeyStopAtEnd, &CAnimation::m_bStopAtEnd},
};

// The frames of `character` whose flag is set.
std::vector<int> FramesWithFlag(const CCharacter& character, bool CAnimation::*flag) {
    std::vector<int> frames;
    for (int frame = 0; frame < character.GetKeyCount(); ++frame) {
        if (Key(character, frame).*flag) {
            frames.push_back(frame);
        }
    }
    return frames;
}

TEST(CCharacterTest, SetKeyFlagsChangeTheNearestKeyAtOrBeforeTheFrame) {
    struct Case {
        int frame;
        std::vector<int> flagged;
    };
    const Case cases[] = {{7, {4}}, {5, {4}}, {4, {4}}, {9, {8}}, {8, {8}}, {3, {}}, {-1, {}}};
    for (const FlagSetter& setter : kFlagSetters) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(setter.name) + " at " + std::to_string(c.frame));
            CCharacter character = WithStates({I, I, E, I, K, I, E, I, C, I});

            (character.*setter.set)(c.frame, true);

            EXPECT_EQ(FramesWithFlag(character, setter.flag), c.flagged);
        }
    }
}

TEST(CCharacterTest, SetKeyFlagsPastTheEndChangeNothing) {
    // A frame past the last record is out of range like a negative one: the search for a key
    // does not start from the last record.
    for (const FlagSetter& setter : kFlagSetters) {
        SCOPED_TRACE(setter.name);
        CCharacter character = WithStates({K, I});

        (character.*setter.set)(2, true);
        (character.*setter.set)(100, true);

        EXPECT_EQ(FramesWithFlag(character, setter.flag), std::vector<int>{});
    }
}

TEST(CCharacterTest, AccessorsReadTheRecordUpToTheLastFrame) {
    CCharacter character = WithStates({K, C});
    CAnimation& last = Key(character, 1);
    last.m_position = D3DXVECTOR3(1, 2, 3);
    last.m_rotation = D3DXVECTOR3(4, 5, 6);
    last.m_scale = D3DXVECTOR3(7, 8, 9);
    last.m_strMotion = "W";
    last.m_bLoop = true;
    last.m_bStopAtEnd = true;

    EXPECT_EQ(character.GetKeyState(1), FrameContentKey);
    ExpectVector(character.GetKeyPosition(1), D3DXVECTOR3(1, 2, 3));
    EXPECT_EQ(character.GetKeyPositionX(1), 1.0f);
    EXPECT_EQ(character.GetKeyPositionY(1), 2.0f);
    EXPECT_EQ(character.GetKeyPositionZ(1), 3.0f);
    ExpectVector(character.GetKeyRotation(1), D3DXVECTOR3(4, 5, 6));
    EXPECT_EQ(character.GetKeyRotationX(1), 4.0f);
    EXPECT_EQ(character.GetKeyRotationY(1), 5.0f);
    EXPECT_EQ(character.GetKeyRotationZ(1), 6.0f);
    ExpectVector(character.GetKeyScale(1), D3DXVECTOR3(7, 8, 9));
    EXPECT_EQ(character.GetKeyMotionName(1), "W");
    EXPECT_TRUE(character.GetKeyLoop(1));
    EXPECT_TRUE(character.GetKeyStopAtEnd(1));
}

TEST(CCharacterTest, AccessorsOutsideTheRecordsAnswerWithDefaults) {
    CCharacter character = WithStates({K, C});
    for (CAnimation& record : character.m_keys) {
        record.m_position = D3DXVECTOR3(1, 2, 3);
        record.m_rotation = D3DXVECTOR3(4, 5, 6);
        record.m_scale = D3DXVECTOR3(7, 8, 9);
        record.m_strMotion = "W";
        record.m_bLoop = record.m_bStopAtEnd = true;
    }
    for (const int frame : {-1, 2, INT_MAX}) {
        SCOPED_TRACE(frame);
        EXPECT_EQ(character.GetKeyState(frame), FrameEmpty);
        ExpectVector(character.GetKeyPosition(frame), D3DXVECTOR3(0, 0, 0));
        EXPECT_EQ(character.GetKeyPositionX(frame), 0.0f);
        EXPECT_EQ(character.GetKeyRotationZ(frame), 0.0f);
        ExpectVector(character.GetKeyRotation(frame), D3DXVECTOR3(0, 0, 0));
        ExpectVector(character.GetKeyScale(frame), D3DXVECTOR3(1, 1, 1));
        EXPECT_EQ(character.GetKeyMotionName(frame), kNone);
        EXPECT_FALSE(character.GetKeyLoop(frame));
        EXPECT_FALSE(character.GetKeyStopAtEnd(frame));
    }
}

TEST(CCharacterTest, AddKeyScaleFloorsTheRecordAndIgnoresOtherFrames) {
    CCharacter character = WithStates({K, K});

    character.AddKeyScale(1, -5.0f, 0.5f, -0.99f);
    character.AddKeyScale(2, -5.0f, -5.0f, -5.0f);
    character.AddKeyScale(-1, -5.0f, -5.0f, -5.0f);

    ExpectVector(Key(character, 0).m_scale, D3DXVECTOR3(1, 1, 1));
    ExpectVector(Key(character, 1).m_scale, D3DXVECTOR3(0.01f, 1.5f, 0.01f));
}

TEST(CCharacterTest, UpdateWorldMatrixUsesTheRecordOrTheIdentity) {
    CCharacter character = WithStates({K});
    Key(character, 0).m_position = D3DXVECTOR3(5, 6, 7);
    const D3DXMATRIX recordWorld = Key(character, 0).CalcWorldMatrix();

    character.UpdateWorldMatrix(0);
    EXPECT_EQ(character.m_matWorld, recordWorld);

    character.UpdateWorldMatrix(-1);
    EXPECT_EQ(character.m_matWorld, Identity());

    character.UpdateWorldMatrix(0);
    character.UpdateWorldMatrix(1);
    EXPECT_EQ(character.m_matWorld, Identity());
}

TEST(CCharacterTest, AnimationNamesOutsideTheListAreNone) {
    CCharacter character;
    character.m_animationNames = {"W", "R"};

    EXPECT_EQ(character.GetAnimationName(0), "W");
    EXPECT_EQ(character.GetAnimationName(1), "R");
    EXPECT_EQ(character.GetAnimationName(2), kNone);
    EXPECT_EQ(character.GetAnimationName(-1), kNone);
}

TEST(CCharacterTest, BoneAnimationNamesComeFromTheFirstPart) {
    CCharacter character;
    EXPECT_EQ(character.GetBoneAnimationName(0), kNone); // no parts

    character.m_parts.push_back(PartWithBoneAnimations({3, 3}, {"Walk"}));
    character.m_parts.push_back(PartWithBoneAnimations({3, 3, 3}, {"A", "B", "C"}));

    EXPECT_EQ(character.GetBoneAnimationName(0), "Walk");
    EXPECT_EQ(character.GetBoneAnimationName(1), "None"); // unnamed
    EXPECT_EQ(character.GetBoneAnimationName(2), kNone);
    EXPECT_EQ(character.GetBoneAnimationName(-1), kNone);
}

TEST(CCharacterTest, FindCollisionObjectPicksTheFirstPartNamedCollisionInAnyCase) {
    struct Case {
        std::vector<std::string> names;
        int expected;
    };
    const Case cases[] = {
        {{"body", "Collision"}, 1},
        {{"COLLISION", "collision"}, 0},
        {{"body", "collisions", "collision box"}, -1},
        {{}, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.names));
        CCharacter character;
        character.m_nCollisionPart = 5;
        for (const std::string& name : c.names) {
            character.m_parts.emplace_back();
            character.m_parts.back().m_name = name;
        }

        character.FindCollisionObject();

        EXPECT_EQ(character.m_nCollisionPart, c.expected);
    }
}

// --- Motions ---

TEST(CCharacterTest, MotionsAreTheFirstPartsBoneAnimationsWhenItHasAny) {
    CCharacter character;
    character.m_animationNames = {"W"};
    // Bone 0 of motion 1 has no frames, motion 2 has no bones: both count as one frame.
    character.m_parts.push_back(PartWithBoneAnimations({4, 0, -1}, {"Walk"}));
    character.m_parts.push_back(PartWithBoneAnimations({9}, {"Other"}));

    ASSERT_EQ(character.GetMotionCount(), 3);
    EXPECT_EQ(character.GetMotionName(0), "Walk");
    EXPECT_EQ(character.GetMotionName(1), "None");
    EXPECT_EQ(character.GetMotionName(2), "None");
    EXPECT_EQ(character.GetMotionName(3), kNone);
    EXPECT_EQ(character.GetMotionLength(0), 4);
    EXPECT_EQ(character.GetMotionLength(1), 1);
    EXPECT_EQ(character.GetMotionLength(2), 1);
    EXPECT_EQ(character.GetMotionLength(-1), 1);
    EXPECT_EQ(character.FindMotion("W"), -1);
}

TEST(CCharacterTest, MotionsAreTheObjectMotionsOtherwise) {
    // The first part lacks motion 2, and its motion 1 has no matrices.
    CCharacter character = WithObjectMotions({{"W", 30}, {"R", 0}, {"S", 0}}, {});
    character.m_parts.front().m_animations.pop_back();
    character.m_parts.push_back(PartWithObjectMotions({7, 7, 7}));

    ASSERT_EQ(character.GetMotionCount(), 3);
    EXPECT_EQ(character.GetMotionName(0), "W");
    EXPECT_EQ(character.GetMotionName(2), "S");
    EXPECT_EQ(character.GetMotionName(-1), kNone);
    EXPECT_EQ(character.GetMotionLength(0), 30);
    EXPECT_EQ(character.GetMotionLength(1), 1);
    EXPECT_EQ(character.GetMotionLength(2), 1);
    EXPECT_EQ(character.GetMotionLength(-1), 1);
}

TEST(CCharacterTest, CharacterWithoutPartsHasNoMotions) {
    CCharacter character = WithStates({C});
    character.m_animationNames = {"W"};
    Key(character, 0).m_strMotion = "W";

    EXPECT_EQ(character.GetMotionCount(), 0);
    EXPECT_EQ(character.FindMotion("W"), -1);
    character.SetCurrentMotion(0);
    EXPECT_EQ(character.m_nMotion, -1);
}

TEST(CCharacterTest, SetKeyMotionNameMakesAContentKeyAndSelectsTheAnimation) {
    struct Case {
        int frame;
        std::string name;
        int motion;
        bool keyed;
    };
    const Case cases[] = {
        {1, "R", 1, true},
        {0, "unknown", 0, true},
        {3, "R", 1, false},
        {-1, "R", 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.frame);
        CCharacter character = WithObjectMotions({{"W", 30}, {"R", 5}}, {I, I, I});
        character.m_nMotion = 5;
        character.m_nMotionFrame = 9;

        character.SetKeyMotionName(c.frame, c.name);

        EXPECT_EQ(character.m_nMotion, c.motion);
        EXPECT_EQ(character.m_nMotionFrame, 0);
        for (int frame = 0; frame < 3; ++frame) {
            const bool changed = c.keyed && frame == c.frame;
            EXPECT_EQ(Key(character, frame).m_nState, changed ? FrameContentKey : FrameInBetween);
            EXPECT_EQ(Key(character, frame).m_strMotion, changed ? c.name : "");
        }
    }
}

TEST(CCharacterTest, SetCurrentMotionFindsTheRecordsMotionInTheList) {
    CCharacter character = WithObjectMotions({{"W", 30}, {"R", 5}}, {C, C, C});
    Key(character, 0).m_strMotion = "R";
    Key(character, 1).m_strMotion = "r"; // names are compared exactly
    Key(character, 2).m_strMotion = "";
    const std::pair<int, int> expected[] = {{0, 1}, {1, -1}, {2, -1}, {3, -1}, {-1, -1}};
    for (const auto& [frame, motion] : expected) {
        SCOPED_TRACE(frame);
        character.m_nMotion = 7;

        character.SetCurrentMotion(frame);

        EXPECT_EQ(character.m_nMotion, motion);
    }
}

TEST(CCharacterTest, SetCurrentMotionMatchesUnnamedBoneAnimationsAsNone) {
    CCharacter character = WithStates({C});
    character.m_parts.push_back(PartWithBoneAnimations({3, 3}, {"Walk"}));
    Key(character, 0).m_strMotion = "None";

    character.SetCurrentMotion(0);

    EXPECT_EQ(character.m_nMotion, 1);
}

TEST(CCharacterTest, FindMotionSelectsOnlyAMotionItFinds) {
    CCharacter character = WithObjectMotions({{"W", 30}, {"R", 5}, {"R", 6}}, {});

    EXPECT_EQ(character.FindMotion("R"), 1);
    EXPECT_EQ(character.m_nMotion, 1);
    EXPECT_EQ(character.FindMotion("w"), -1);
    EXPECT_EQ(character.m_nMotion, 1);
}

TEST(CCharacterTest, MotionNamesThatDifferOnlyInCaseAreDifferentMotions) {
    CCharacter character = WithObjectMotions({{"walk", 5}, {"Walk", 7}}, States(7, I));

    EXPECT_EQ(character.FindMotion("Walk"), 1);
    EXPECT_EQ(character.FindMotion("WALK"), -1);
    character.SetKeyMotionName(0, "Walk");
    EXPECT_EQ(character.m_nMotion, 1);
    character.SetCurrentMotion(0);
    EXPECT_EQ(character.m_nMotion, 1);
    character.InterpolateKeys(); // counts through the 7 frames of "Walk", not the 5 of "walk"
    EXPECT_EQ(Key(character, 6).m_nMotionFrame, 6);
}

// --- Interpolation ---

TEST(CCharacterTest, InterpolateKeysFillsPositionsLinearlyBetweenKeys) {
    CCharacter character = WithStates({K, I, I, I, I, I, I, I, I, I, K, I, I});
    for (CAnimation& record : character.m_keys) {
        record.m_position.x = 99.0f;
    }
    Key(character, 0).m_position.x = 0.0f;
    Key(character, 10).m_position.x = 10.0f;

    character.InterpolateKeys();

    for (int frame = 1; frame < 10; ++frame) {
        EXPECT_EQ(Key(character, frame).m_position.x, static_cast<float>(frame)) << frame;
    }
    EXPECT_EQ(Key(character, 11).m_position.x, 99.0f);
    EXPECT_EQ(Key(character, 12).m_position.x, 99.0f);
}

TEST(CCharacterTest, InterpolateKeysWorksBackFromTheLaterKeyInSinglePrecision) {
    // v(k) = v(j) - ((j - k) * (v(j) - v(a))) / (j - a): other orders of the same arithmetic
    // round differently.
    CCharacter character = WithStates({K, I, I, K});
    Key(character, 3).m_position.x = 10.0f;

    character.InterpolateKeys();

    EXPECT_EQ(Key(character, 1).m_position.x, 3.33333349f);
    EXPECT_EQ(Key(character, 2).m_position.x, 6.66666698f);

    // Keys at the ends of the float range overflow the product, but not the frames between.
    States states(61, I);
    states.front() = states.back() = K;
    character = WithStates(states);
    Key(character, 0).m_position.x = -3.4e38f;
    Key(character, 60).m_position.x = 3.4e38f;
    character.InterpolateKeys();
    EXPECT_EQ(Key(character, 30).m_position.x, 0.0f);
    EXPECT_GT(Key(character, 1).m_position.x, -3.4e38f);
}

TEST(CCharacterTest, InterpolateKeysTurnsAnglesAsPlainNumbers) {
    CCharacter character = WithStates({K, I, I, I, K});
    Key(character, 0).m_rotation.z = 350.0f;
    Key(character, 4).m_rotation.z = 10.0f;

    character.InterpolateKeys();

    EXPECT_EQ(Key(character, 1).m_rotation.z, 265.0f);
    EXPECT_EQ(Key(character, 2).m_rotation.z, 180.0f);
    EXPECT_EQ(Key(character, 3).m_rotation.z, 95.0f);
}

TEST(CCharacterTest, InterpolateKeysStartsFromRecordZeroWhateverItsState) {
    CCharacter character = WithStates({E, I, I, I, K});
    Key(character, 4).m_position.x = 8.0f;

    character.InterpolateKeys();

    EXPECT_EQ(Key(character, 1).m_position.x, 2.0f);
    EXPECT_EQ(Key(character, 2).m_position.x, 4.0f);
    EXPECT_EQ(Key(character, 3).m_position.x, 6.0f);
    EXPECT_EQ(Key(character, 0).m_nState, FrameEmpty);
}

TEST(CCharacterTest, InterpolateKeysFillsEveryComponentOfAllThreeVectors) {
    // The empty frame between two keys is interpolated like an in-between frame, and a
    // content key is a key like any other.
    CCharacter character = WithStates({K, E, C});
    Key(character, 2).m_position = D3DXVECTOR3(2, 4, 6);
    Key(character, 2).m_rotation = D3DXVECTOR3(10, 20, 30);
    Key(character, 2).m_scale = D3DXVECTOR3(3, 5, 7);
    Key(character, 1).m_bActive = 1;

    character.InterpolateKeys();

    const CAnimation& between = Key(character, 1);
    ExpectVector(between.m_position, D3DXVECTOR3(1, 2, 3));
    ExpectVector(between.m_rotation, D3DXVECTOR3(5, 10, 15));
    ExpectVector(between.m_scale, D3DXVECTOR3(2, 3, 4));
    EXPECT_EQ(between.m_nState, FrameEmpty);
    EXPECT_EQ(between.m_bActive, 1);
}

TEST(CCharacterTest, InterpolateKeysLeavesAOneRecordOrEmptyTrackUnchanged) {
    CCharacter single = WithObjectMotions({{"W", 30}}, {C});
    SetContentKey(single, 0, "W", true, false);
    Key(single, 0).m_position = D3DXVECTOR3(5, 5, 5);
    CCharacter empty;

    single.InterpolateKeys();
    empty.InterpolateKeys();

    ASSERT_EQ(single.GetKeyCount(), 1);
    ExpectVector(Key(single, 0).m_position, D3DXVECTOR3(5, 5, 5));
    EXPECT_EQ(Key(single, 0).m_strMotion, "W");
    EXPECT_EQ(Key(single, 0).m_nMotionFrame, 0);
    EXPECT_EQ(empty.GetKeyCount(), 0);
}

// 45 frames playing the 30-frame motion W from a content key at frame 0, with a plain key
// at 10 and an empty frame at 12; every other frame starts with a stale name.
CCharacter MakeMotionTrack(bool loop, bool stopAtEnd) {
    States states(45, I);
    states[10] = K;
    states[12] = E;
    CCharacter character = WithObjectMotions({{"R", 5}, {"W", 30}}, states);
    for (CAnimation& record : character.m_keys) {
        record.m_strMotion = "X";
    }
    SetContentKey(character, 0, "W", loop, stopAtEnd);
    return character;
}

TEST(CCharacterTest, InterpolateKeysCountsMotionFramesFromTheContentKey) {
    struct Case {
        const char* name;
        bool loop;
        bool stopAtEnd;
        std::vector<int> expected; // at `frames`
    };
    const std::vector<int> frames = {0, 1, 10, 12, 13, 29, 30, 31, 44};
    const Case cases[] = {
        {"loop", true, false, {0, 1, 10, 12, 13, 29, 0, 1, 14}},
        {"loop wins over stop at end", true, true, {0, 1, 10, 12, 13, 29, 0, 1, 14}},
        {"stop at end", false, true, {0, 1, 10, 12, 13, 29, 29, 29, 29}},
        {"neither", false, false, {0, 1, 10, 12, 13, 29, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CCharacter character = MakeMotionTrack(c.loop, c.stopAtEnd);

        character.InterpolateKeys();

        std::vector<int> actual;
        for (const int frame : frames) {
            actual.push_back(Key(character, frame).m_nMotionFrame);
        }
        EXPECT_EQ(actual, c.expected);
    }
}

TEST(CCharacterTest, InterpolateKeysCarriesTheMotionNameAcrossKeysButNotEmptyFrames) {
    CCharacter character = MakeMotionTrack(false, false);

    character.InterpolateKeys();

    for (int frame = 0; frame < 45; ++frame) {
        EXPECT_EQ(Key(character, frame).m_strMotion, frame == 12 ? "" : "W") << frame;
    }
    EXPECT_EQ(Key(character, 10).m_nState, FrameKey);
}

TEST(CCharacterTest, InterpolateKeysRestartsAtTheNextContentKeyWithItsFlags) {
    CCharacter character = WithObjectMotions({{"W", 30}, {"R", 5}}, States(50, I));
    SetContentKey(character, 0, "W", false, true);
    SetContentKey(character, 40, "R", true, false);

    character.InterpolateKeys();

    const std::pair<int, int> expected[] = {{39, 29}, {40, 0}, {41, 1}, {44, 4}, {45, 0}, {49, 4}};
    for (const auto& [frame, motionFrame] : expected) {
        EXPECT_EQ(Key(character, frame).m_nMotionFrame, motionFrame) << frame;
    }
    EXPECT_EQ(Key(character, 39).m_strMotion, "W");
    EXPECT_EQ(Key(character, 41).m_strMotion, "R");
}

TEST(CCharacterTest, InterpolateKeysClearsNamesBeforeTheFirstContentKey) {
    CCharacter character = WithObjectMotions({{"W", 30}}, States(25, K));
    for (CAnimation& record : character.m_keys) {
        record.m_strMotion = "X";
        record.m_nMotionFrame = 7;
    }
    SetContentKey(character, 20, "W", false, false);

    character.InterpolateKeys();

    for (int frame = 0; frame < 20; ++frame) {
        EXPECT_EQ(Key(character, frame).m_strMotion, "") << frame;
        EXPECT_EQ(Key(character, frame).m_nMotionFrame, 7) << frame;
    }
    EXPECT_EQ(Key(character, 20).m_nMotionFrame, 0);
    EXPECT_EQ(Key(character, 21).m_nMotionFrame, 1);
    EXPECT_EQ(Key(character, 21).m_strMotion, "W");
}

TEST(CCharacterTest, InterpolateKeysWithoutContentKeysOnlyClearsNames) {
    CCharacter character = WithObjectMotions({{"W", 30}}, {K, I, K});
    for (CAnimation& record : character.m_keys) {
        record.m_strMotion = "W";
        record.m_nMotionFrame = 7;
    }

    character.InterpolateKeys();

    for (const CAnimation& record : character.m_keys) {
        EXPECT_EQ(record.m_strMotion, "");
        EXPECT_EQ(record.m_nMotionFrame, 7);
    }
}

TEST(CCharacterTest, InterpolateKeysShowsFrameZeroOfAnUnknownMotion) {
    for (const char* name : {"", "unknown", "w"}) {
        SCOPED_TRACE(name);
        CCharacter character = WithObjectMotions({{"W", 30}}, States(5, I));
        SetContentKey(character, 0, name, false, true);

        character.InterpolateKeys();

        for (const CAnimation& record : character.m_keys) {
            EXPECT_EQ(record.m_nMotionFrame, 0);
        }
    }
}

TEST(CCharacterTest, InterpolateKeysTakesBoneAnimationLengthsFromBoneZero) {
    CCharacter character = WithStates(States(6, I));
    character.m_parts.push_back(PartWithBoneAnimations({4}, {"B"}));
    SetContentKey(character, 0, "B", true, false);

    character.InterpolateKeys();

    std::vector<int> frames;
    for (const CAnimation& record : character.m_keys) {
        frames.push_back(record.m_nMotionFrame);
    }
    EXPECT_EQ(frames, (std::vector<int>{0, 1, 2, 3, 0, 1}));
}

// --- Pose ---

TEST(CCharacterTest, UpdatePoseBringsTheMotionFrameIntoTheMotionsRange) {
    struct Case {
        const char* name;
        int motionFrame;
        bool loop;
        bool stopAtEnd;
        int shown;
    };
    const Case cases[] = {
        {"loop", 65, true, false, 5},
        {"stop at end", 65, false, true, 29},
        {"neither", 65, false, false, 0},
        {"in range", 12, false, false, 12},
        {"last frame", 29, false, false, 29},
        {"loop at the length", 30, true, false, 0},
        {"stop at end at the length", 30, false, true, 29},
        {"neither at the length", 30, false, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CCharacter character = WithObjectMotions({{"R", 5}, {"W", 30}}, {I, I});
        SetContentKey(character, 1, "W", c.loop, c.stopAtEnd);
        Key(character, 1).m_nState = FrameInBetween;
        Key(character, 1).m_nMotionFrame = c.motionFrame;
        Key(character, 1).m_position = D3DXVECTOR3(1, 2, 3);

        character.UpdatePose(1);

        EXPECT_EQ(character.m_nMotion, 1);
        EXPECT_EQ(character.m_nMotionFrame, c.shown);
        D3DXMATRIX translation;
        D3DXMatrixTranslation(&translation, 1, 2, 3);
        EXPECT_EQ(character.m_matWorld, translation);
    }
}

TEST(CCharacterTest, UpdatePoseWithAnUnknownMotionOrFrameShowsFrameZeroOfNoMotion) {
    CCharacter character = WithObjectMotions({{"W", 30}}, {C});
    SetContentKey(character, 0, "unknown", false, true);
    Key(character, 0).m_nMotionFrame = 3;
    Key(character, 0).m_position = D3DXVECTOR3(1, 2, 3);

    character.UpdatePose(0);

    EXPECT_EQ(character.m_nMotion, -1);
    EXPECT_EQ(character.m_nMotionFrame, 0);

    Key(character, 0).m_strMotion = "W";
    character.UpdatePose(0);
    character.UpdatePose(1);

    EXPECT_EQ(character.m_nMotion, -1);
    EXPECT_EQ(character.m_nMotionFrame, 0);
    EXPECT_EQ(character.m_matWorld, Identity());
}

// --- Device objects and copies ---

// A character with two parts (one holding every kind of geometry) and three materials,
// two of them textured, all sharing the fakes.
struct DeviceCharacter {
    FakeVertexBuffer bodyBuffer;
    FakeVertexBuffer armBuffer;
    FakeTexture skin;
    FakeTexture cloth;
    CCharacter character;

    DeviceCharacter() {
        MQAObject body = PartWithBoneAnimations({2}, {"Walk"});
        body.m_name = "body";
        body.m_pVertexBuffer = &bodyBuffer;
        body.m_faces.resize(1);
        body.m_faces.front().indices = {0, 1, 2};
        body.m_faces.front().corners.resize(3);
        body.m_vertices.resize(3);
        body.m_animations.assign(2, std::vector<D3DXMATRIX>(4));
        body.m_trianglesPerMaterial = {1, 0, 0};
        body.m_skinnedVertices.resize(3);
        body.m_skinnedPositions.resize(3);
        MQAObject arm;
        arm.m_name = "arm";
        arm.m_pVertexBuffer = &armBuffer;
        character.m_parts = {body, arm, MQAObject()};
        character.m_materials.resize(3);
        character.m_materials[0].m_pTexture = &skin;
        character.m_materials[2].m_pTexture = &cloth;
        character.m_animationNames = {"W"};
        character.m_strFileName = "a.mqo";
        character.m_keys.resize(2);
    }

    std::vector<int> Releases() const {
        return {bodyBuffer.releases, armBuffer.releases, skin.releases, cloth.releases};
    }
    int AddRefs() const {
        return bodyBuffer.addRefs + armBuffer.addRefs + skin.addRefs + cloth.addRefs;
    }
};

TEST(CCharacterTest, ReleaseDeviceObjectsReleasesEachObjectOnceAndDropsTheGeometry) {
    DeviceCharacter fixture;
    CCharacter& character = fixture.character;

    character.ReleaseDeviceObjects();

    EXPECT_EQ(fixture.Releases(), (std::vector<int>{1, 1, 1, 1}));
    EXPECT_TRUE(character.m_materials.empty());
    ASSERT_EQ(character.m_parts.size(), 3u);
    const MQAObject& body = character.m_parts.front();
    EXPECT_EQ(body.m_pVertexBuffer, nullptr);
    EXPECT_EQ(character.m_parts[1].m_pVertexBuffer, nullptr);
    EXPECT_TRUE(body.m_faces.empty());
    EXPECT_TRUE(body.m_vertices.empty());
    EXPECT_TRUE(body.m_animations.empty());
    EXPECT_TRUE(body.m_trianglesPerMaterial.empty());
    // The name, bone animations and skinning arrays stay.
    EXPECT_EQ(body.m_name, "body");
    EXPECT_EQ(body.m_boneAnimations.size(), 1u);
    EXPECT_EQ(body.m_boneAnimationNames, std::vector<std::string>{"Walk"});
    EXPECT_EQ(body.m_skinnedVertices.size(), 3u);
    EXPECT_EQ(body.m_skinnedPositions.size(), 3u);
    EXPECT_EQ(character.m_animationNames, std::vector<std::string>{"W"});
    EXPECT_EQ(character.GetKeyCount(), 2);

    character.ReleaseDeviceObjects();

    EXPECT_EQ(fixture.Releases(), (std::vector<int>{1, 1, 1, 1}));
}

TEST(CCharacterTest, CopiesShareDeviceObjectsAndReleaseNothing) {
    DeviceCharacter fixture;
    Key(fixture.character, 1).m_position = D3DXVECTOR3(1, 2, 3);
    fixture.character.m_bLocked = true;
    fixture.character.m_nCollisionPart = 1;
    {
        const CCharacter copy(fixture.character);
        CCharacter assigned;
        assigned = fixture.character;
        for (const CCharacter* shared :
             std::initializer_list<const CCharacter*>{&copy, &assigned}) {
            EXPECT_EQ(shared->m_parts[0].m_pVertexBuffer, &fixture.bodyBuffer);
            EXPECT_EQ(shared->m_parts[1].m_pVertexBuffer, &fixture.armBuffer);
            EXPECT_EQ(shared->m_materials[0].m_pTexture, &fixture.skin);
            EXPECT_EQ(shared->m_materials[2].m_pTexture, &fixture.cloth);
            EXPECT_EQ(shared->GetFileName(), "a.mqo");
            EXPECT_EQ(shared->m_nCollisionPart, 1);
            EXPECT_TRUE(shared->m_bLocked);
            ExpectVector(shared->GetKeyPosition(1), D3DXVECTOR3(1, 2, 3));
        }
    }

    EXPECT_EQ(fixture.Releases(), (std::vector<int>{0, 0, 0, 0}));
    EXPECT_EQ(fixture.AddRefs(), 0);

    fixture.character.ReleaseDeviceObjects();

    EXPECT_EQ(fixture.Releases(), (std::vector<int>{1, 1, 1, 1}));
}

// --- Document form ---

TEST(CCharacterTest, StoresFileNameKeyCountLockAndKeys) {
    CCharacter character = MakeStoredCharacter();
    Key(character, 0).m_nMotionFrame = 12; // derived, not stored
    character.m_bShown = false;

    EXPECT_EQ(Store(character), kStoredCharacter);
}

TEST(CCharacterTest, ReadingReplacesTheKeysAndKeepsTheModel) {
    DeviceCharacter fixture;
    CCharacter& character = fixture.character;
    character.m_keys.resize(5);
    character.m_nMotion = 2;

    Load(kStoredCharacter, character);

    EXPECT_EQ(character.GetFileName(), "a.mqo");
    EXPECT_TRUE(character.m_bLocked);
    ASSERT_EQ(character.GetKeyCount(), 2);
    EXPECT_EQ(Key(character, 0).m_nState, FrameKey);
    EXPECT_EQ(Key(character, 1).m_nState, FrameEmpty);
    ExpectVector(Key(character, 1).m_position, D3DXVECTOR3(2, 0, 0));
    EXPECT_EQ(Key(character, 1).m_strMotion, "W");
    EXPECT_TRUE(Key(character, 1).m_bStopAtEnd);
    EXPECT_EQ(character.m_parts.size(), 3u);
    EXPECT_EQ(character.m_materials.size(), 3u);
    EXPECT_EQ(character.m_nMotion, 2);
    EXPECT_EQ(fixture.Releases(), (std::vector<int>{0, 0, 0, 0}));
}

TEST(CCharacterTest, RoundTripGivesTheSameBytes) {
    CCharacter character = WithStates({C, I, E, K});
    character.m_strFileName = "\x83\x4c\x83\x83\x83\x89.mqo"; // "キャラ.mqo"
    for (int frame = 0; frame < 4; ++frame) {
        const float value = static_cast<float>(frame) + 0.5f;
        Key(character, frame).m_position = D3DXVECTOR3(value, -value, value * 2);
        Key(character, frame).m_rotation = D3DXVECTOR3(0, value * 10, 0);
        Key(character, frame).m_scale = D3DXVECTOR3(1, value, 1);
    }
    SetContentKey(character, 0, "W", true, true);
    const Bytes stored = Store(character);
    CCharacter loaded;

    Load(stored, loaded);

    EXPECT_EQ(loaded.GetFileName(), character.GetFileName());
    EXPECT_FALSE(loaded.m_bLocked);
    ExpectVector(loaded.GetKeyPosition(3), D3DXVECTOR3(3.5f, -3.5f, 7.0f));
    EXPECT_EQ(Store(loaded), stored);
}

TEST(CCharacterTest, TruncatedRecordThrows) {
    for (std::size_t length = 0; length < kStoredCharacter.size(); ++length) {
        SCOPED_TRACE(length);
        const Bytes truncated(kStoredCharacter.begin(),
                              kStoredCharacter.begin() + static_cast<std::ptrdiff_t>(length));
        CCharacter character;
        EXPECT_THROW(Load(truncated, character), CArchiveException);
    }
}

TEST(CCharacterTest, HostileKeyCountThrowsBeforeTheKeysGrow) {
    for (const std::int32_t count : {-1, INT_MIN, INT_MAX, 100000}) {
        SCOPED_TRACE(count);
        Bytes stored = kStoredCharacter;
        for (std::size_t i = 0; i < 4; ++i) {
            stored[6 + i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(count) >> (8 * i));
        }
        CCharacter character = WithStates({K});

        EXPECT_THROW(Load(stored, character), CArchiveException);
        EXPECT_EQ(character.GetKeyCount(), 1);
    }
}

} // namespace
