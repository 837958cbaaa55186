#include "scene/CAnimation.h"

#include "platform/CArchive.h"
#include "platform/CRuntimeClass.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// "歩く" (walk) in code page 932.
const std::string kWalk = "\x95\xe0\x82\xad";

void ExpectVector(const D3DXVECTOR3& actual, const D3DXVECTOR3& expected) {
    EXPECT_EQ(actual.x, expected.x);
    EXPECT_EQ(actual.y, expected.y);
    EXPECT_EQ(actual.z, expected.z);
}

void ExpectNear(const D3DXVECTOR3& actual, const D3DXVECTOR3& expected) {
    constexpr float tolerance = 1e-4f;
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

// Every field differs from a new record's, and from the other's where two are compared.
CAnimation MakeRecord(std::int32_t state, float base, const std::string& motion) {
    CAnimation record;
    record.m_nState = state;
    record.m_position = D3DXVECTOR3(base, base + 1, base + 2);
    record.m_rotation = D3DXVECTOR3(base + 3, base + 4, base + 5);
    record.m_scale = D3DXVECTOR3(base + 6, base + 7, base + 8);
    record.m_strMotion = motion;
    record.m_nMotionFrame = static_cast<std::int32_t>(base) + 17;
    record.m_bLoop = true;
    record.m_bStopAtEnd = true;
    record.m_bActive = 1;
    return record;
}

// Every field but the world matrix.
void ExpectSameValues(const CAnimation& actual, const CAnimation& expected) {
    EXPECT_EQ(actual.m_nState, expected.m_nState);
    ExpectVector(actual.m_position, expected.m_position);
    ExpectVector(actual.m_rotation, expected.m_rotation);
    ExpectVector(actual.m_scale, expected.m_scale);
    EXPECT_EQ(actual.m_strMotion, expected.m_strMotion);
    EXPECT_EQ(actual.m_nMotionFrame, expected.m_nMotionFrame);
    EXPECT_EQ(actual.m_bLoop, expected.m_bLoop);
    EXPECT_EQ(actual.m_bStopAtEnd, expected.m_bStopAtEnd);
    EXPECT_EQ(actual.m_bActive, expected.m_bActive);
}

Bytes Store(CAnimation& record) {
    Bytes buffer;
    CArchive archive(buffer, CArchive::store);
    record.Serialize(archive);
    return buffer;
}

void Load(Bytes buffer, CAnimation& record) {
    CArchive archive(buffer, CArchive::load);
    record.Serialize(archive);
    EXPECT_EQ(archive.GetRemaining(), 0u);
}

// A content key at (1, -2, 0.5), rotated (0, 90, -45), scaled (1, 1, 2), playing "歩く" in a
// loop, and its stored form.
CAnimation MakeStoredExample() {
    CAnimation record;
    record.m_nState = FrameContentKey;
    record.m_position = D3DXVECTOR3(1.0f, -2.0f, 0.5f);
    record.m_rotation = D3DXVECTOR3(0.0f, 90.0f, -45.0f);
    record.m_scale = D3DXVECTOR3(1.0f, 1.0f, 2.0f);
    record.m_strMotion = kWalk;
    record.m_bLoop = true;
    return record;
}

const Bytes kStoredExample = {
    0x02, 0x00, 0x00, 0x00,                         // state
    0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x00, 0xC0, // position x, y
    0x00, 0x00, 0x00, 0x3F,                         // position z
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xB4, 0x42, // rotation x, y
    0x00, 0x00, 0x34, 0xC2,                         // rotation z
    0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x80, 0x3F, // scale x, y
    0x00, 0x00, 0x00, 0x40,                         // scale z
    0x04, 0x95, 0xE0, 0x82, 0xAD,                   // motion name
    0x01,                                           // loop
    0x00,                                           // stop at end
};

TEST(CAnimationTest, NewRecordIsAnInBetweenFrameAtTheOriginWithUnitScale) {
    const std::unique_ptr<CObject> object(CAnimation::classCAnimation.CreateObject());
    const auto* record = dynamic_cast<const CAnimation*>(object.get());
    ASSERT_NE(record, nullptr);

    EXPECT_STREQ(record->GetRuntimeClass()->m_lpszClassName, "CAnimation");
    EXPECT_EQ(record->GetRuntimeClass()->m_wSchema, 0u);
    EXPECT_EQ(record->m_nState, FrameInBetween);
    ExpectVector(record->m_position, D3DXVECTOR3(0, 0, 0));
    ExpectVector(record->m_rotation, D3DXVECTOR3(0, 0, 0));
    ExpectVector(record->m_scale, D3DXVECTOR3(1, 1, 1));
    EXPECT_EQ(record->GetMotionName(), "");
    EXPECT_EQ(record->m_nMotionFrame, 0);
    EXPECT_FALSE(record->m_bLoop);
    EXPECT_FALSE(record->m_bStopAtEnd);
    EXPECT_EQ(record->m_bActive, 0);
}

TEST(CAnimationTest, WorldMatrixScalesThenRotatesAboutZXYThenTranslates) {
    struct Case {
        const char* name;
        D3DXVECTOR3 position, rotation, scale, point, expected;
    };
    const Case cases[] = {
        {"rotation about z", {10, 0, 0}, {0, 0, 90}, {2, 2, 2}, {1, 0, 0}, {10, 2, 0}},
        {"rotation about x", {10, 0, 0}, {90, 0, 0}, {2, 2, 2}, {0, 1, 0}, {10, 0, 2}},
        {"x before y", {0, 0, 0}, {90, 90, 0}, {1, 1, 1}, {0, 1, 0}, {1, 0, 0}},
        {"z before x", {0, 0, 0}, {90, 0, 90}, {1, 1, 1}, {1, 0, 0}, {0, 0, 1}},
        {"scale before rotation", {0, 0, 0}, {0, 0, 90}, {3, 1, 1}, {1, 0, 0}, {0, 3, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CAnimation record;
        record.m_position = c.position;
        record.m_rotation = c.rotation;
        record.m_scale = c.scale;

        const D3DXMATRIX world = record.CalcWorldMatrix();
        D3DXVECTOR3 mapped;
        D3DXVec3TransformCoord(&mapped, &c.point, &world);

        ExpectNear(mapped, c.expected);
        EXPECT_EQ(record.m_matWorld, world);
    }
}

TEST(CAnimationTest, AddScaleFloorsEachComponentAtOneHundredth) {
    struct Case {
        const char* name;
        D3DXVECTOR3 scale, delta, expected;
    };
    const Case cases[] = {
        {"far below", {1, 1, 1}, {-5, 0, 0}, {0.01f, 1, 1}},
        // 1 - 0.99 in single precision lies just below 0.01.
        {"just below", {1, 1, 1}, {0, -0.99f, 0}, {1, 0.01f, 1}},
        {"just above", {1, 1, 1}, {0, -0.989f, 0}, {1, 1.0f - 0.989f, 1}},
        {"exactly the floor", {0.01f, 0.01f, 0.01f}, {0, 0, 0}, {0.01f, 0.01f, 0.01f}},
        {"every component", {1, 1, 1}, {-2, -3, -1}, {0.01f, 0.01f, 0.01f}},
        {"growth", {1, 2, 3}, {0.5f, 0.25f, -1}, {1.5f, 2.25f, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CAnimation record;
        record.m_scale = c.scale;

        record.AddScale(c.delta.x, c.delta.y, c.delta.z);

        ExpectVector(record.m_scale, c.expected);
    }
}

// A list that grows moves its records only when their move cannot throw; else it copies them.
static_assert(std::is_nothrow_move_constructible_v<CAnimation>);

TEST(CAnimationTest, CopyAndMoveConstructionTakeEverythingButTheWorldMatrix) {
    CAnimation source = MakeRecord(FrameContentKey, 1.0f, kWalk);
    source.CalcWorldMatrix();

    const CAnimation copy(source);
    CAnimation moved(source);
    moved.CalcWorldMatrix();
    const CAnimation target(std::move(moved));

    ExpectSameValues(copy, source);
    EXPECT_NE(copy.m_matWorld, source.m_matWorld);
    ExpectSameValues(target, source);
    EXPECT_NE(target.m_matWorld, source.m_matWorld);
}

TEST(CAnimationTest, AssignmentKeepsTheTargetsWorldMatrix) {
    const CAnimation source = MakeRecord(FrameKey, 1.0f, kWalk);
    for (const bool move : {false, true}) {
        SCOPED_TRACE(move ? "move" : "copy");
        CAnimation target = MakeRecord(FrameEmpty, 20.0f, "R");
        target.m_bActive = 0;
        const D3DXMATRIX targetWorld = target.CalcWorldMatrix();

        CAnimation moved(source);
        move ? void(target = std::move(moved)) : void(target = source);

        ExpectSameValues(target, source); // active flag and motion frame included
        EXPECT_EQ(target.m_matWorld, targetWorld);
    }
}

TEST(CAnimationTest, InitResetsTheKeyButNotTheWorldMatrixOrActiveFlag) {
    CAnimation record = MakeRecord(FrameContentKey, 2.0f, "W");
    record.m_scale = D3DXVECTOR3(3, 3, 3);
    const D3DXMATRIX world = record.CalcWorldMatrix();

    record.Init(FrameKey);

    EXPECT_EQ(record.m_nState, FrameKey);
    ExpectVector(record.m_position, D3DXVECTOR3(0, 0, 0));
    ExpectVector(record.m_rotation, D3DXVECTOR3(0, 0, 0));
    ExpectVector(record.m_scale, D3DXVECTOR3(1, 1, 1));
    EXPECT_EQ(record.GetMotionName(), "");
    EXPECT_EQ(record.m_nMotionFrame, 0);
    EXPECT_FALSE(record.m_bLoop);
    EXPECT_FALSE(record.m_bStopAtEnd);
    EXPECT_EQ(record.m_matWorld, world);
    EXPECT_EQ(record.m_bActive, 1);
}

TEST(CAnimationTest, StoresFortyTwoBytesAndTheMotionName) {
    CAnimation record = MakeStoredExample();
    // Derived values that the document does not keep.
    record.m_nMotionFrame = 17;
    record.m_bActive = 1;
    record.CalcWorldMatrix();

    EXPECT_EQ(Store(record), kStoredExample);
}

TEST(CAnimationTest, ReadsBackTheStoredFieldsOnly) {
    CAnimation fresh;
    CAnimation reused = MakeRecord(FrameEmpty, 50.0f, "old");
    reused.m_nMotionFrame = 5;
    const D3DXMATRIX reusedWorld = reused.CalcWorldMatrix();

    Load(kStoredExample, fresh);
    Load(kStoredExample, reused);

    const CAnimation expected = MakeStoredExample();
    ExpectSameValues(fresh, expected);
    // Motion frame, active flag and world matrix keep what the record held before.
    EXPECT_EQ(reused.m_nMotionFrame, 5);
    EXPECT_EQ(reused.m_bActive, 1);
    EXPECT_EQ(reused.m_matWorld, reusedWorld);
    reused.m_nMotionFrame = 0;
    reused.m_bActive = 0;
    ExpectSameValues(reused, expected);
}

TEST(CAnimationTest, RoundTripGivesTheSameBytes) {
    CAnimation record = MakeRecord(FrameContentKey, -7.25f, std::string(300, 'm'));
    const Bytes stored = Store(record);
    CAnimation loaded;

    Load(stored, loaded);

    CAnimation expected = record;
    expected.m_nMotionFrame = 0;
    expected.m_bActive = 0;
    ExpectSameValues(loaded, expected);
    EXPECT_EQ(Store(loaded), stored);
}

TEST(CAnimationTest, AnyNonZeroLoopByteReadsAsSetAndIsWrittenBackAsOne) {
    Bytes stored = kStoredExample;
    stored[stored.size() - 2] = 0x02; // loop
    stored[stored.size() - 1] = 0x80; // stop at end
    CAnimation record;

    Load(stored, record);

    EXPECT_TRUE(record.m_bLoop);
    EXPECT_TRUE(record.m_bStopAtEnd);
    const Bytes written = Store(record);
    EXPECT_EQ(written[written.size() - 2], 0x01);
    EXPECT_EQ(written[written.size() - 1], 0x01);
}

TEST(CAnimationTest, TruncatedRecordThrows) {
    for (std::size_t length = 0; length < kStoredExample.size(); ++length) {
        SCOPED_TRACE(length);
        const Bytes truncated(kStoredExample.begin(),
                              kStoredExample.begin() + static_cast<std::ptrdiff_t>(length));
        CAnimation record;
        EXPECT_THROW(Load(truncated, record), CArchiveException);
    }
}

} // namespace
