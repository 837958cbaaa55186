#include "timeline/CTimeLineTrack.h"

#include "TrackStates.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <initializer_list>
#include <ostream>
#include <string>
#include <vector>

namespace {

CTimeLineTrack MakeTrack(const States& states) {
    CTimeLineTrack track("track");
    track.m_states = states;
    return track;
}

TEST(CTimeLineTrackTest, StartsEmptyAndUnlockedWithItsCaption) {
    const CTimeLineTrack track("\x83\x4a\x83\x81\x83\x89"); // "カメラ" in code page 932

    EXPECT_EQ(track.m_strName, "\x83\x4a\x83\x81\x83\x89");
    EXPECT_TRUE(track.m_states.empty());
    EXPECT_EQ(track.m_bLock, 0);
}

TEST(CTimeLineTrackTest, FramesOutsideTheTrackReadAsEmpty) {
    const CTimeLineTrack track = MakeTrack({K, I, C});

    EXPECT_EQ(track.GetFrameState(-1), TimeLineEmpty);
    EXPECT_EQ(track.GetFrameState(0), TimeLineKey);
    EXPECT_EQ(track.GetFrameState(1), TimeLineInBetween);
    EXPECT_EQ(track.GetFrameState(2), TimeLineContentKey);
    EXPECT_EQ(track.GetFrameState(3), TimeLineEmpty);
    EXPECT_EQ(track.GetFrameState(INT_MAX), TimeLineEmpty);
}

TEST(CTimeLineTrackTest, CopiesDoNotShareStates) {
    CTimeLineTrack original = MakeTrack({K, I});
    original.m_bLock = 1;
    const CTimeLineTrack copy(original);
    CTimeLineTrack assigned("other");
    assigned = original;

    original.SetFrameState(3, TimeLineKey, TRUE);
    original.m_strName = "changed";

    for (const CTimeLineTrack* track :
         std::initializer_list<const CTimeLineTrack*>{&copy, &assigned}) {
        EXPECT_EQ(track->m_strName, "track");
        EXPECT_EQ(track->m_states, (States{K, I}));
        EXPECT_EQ(track->m_bLock, 1);
    }
}

struct SetFrameStateCase {
    const char* name;
    States before;
    int frame;
    int state;
    BOOL fillBefore;
    States after;
    BOOL result;
};

void PrintTo(const SetFrameStateCase& testCase, std::ostream* out) {
    *out << testCase.name;
}

class CTimeLineTrackSetFrameStateTest : public testing::TestWithParam<SetFrameStateCase> {};

TEST_P(CTimeLineTrackSetFrameStateTest, ReshapesTheSpans) {
    const SetFrameStateCase& testCase = GetParam();
    CTimeLineTrack track = MakeTrack(testCase.before);

    EXPECT_EQ(track.SetFrameState(testCase.frame, testCase.state, testCase.fillBefore),
              testCase.result);
    EXPECT_EQ(track.m_states, testCase.after);
}

INSTANTIATE_TEST_SUITE_P(
    ClearBetweenKeys, CTimeLineTrackSetFrameStateTest,
    testing::Values(
        SetFrameStateCase{
            "InSpanAfterLastKey", {K, I, I, K, I, I}, 4, E, FALSE, {K, I, I, K, E, E}, FALSE},
        SetFrameStateCase{
            "BetweenTwoKeys", {K, I, I, K, I, I}, 1, E, FALSE, {K, E, E, K, I, I}, FALSE},
        SetFrameStateCase{"AtAKey", {K, I, I, K, I, I}, 3, E, FALSE, {K, E, E, E, E, E}, FALSE},
        SetFrameStateCase{"PastTheEnd", {K, I, I}, 10, E, FALSE, {K, E, E}, FALSE},
        SetFrameStateCase{"PastTheEndAfterAKey", {K, I, K}, 10, E, FALSE, {K, I, K}, FALSE},
        SetFrameStateCase{"AtTheLargestFrame", {K, I, I}, INT_MAX, E, FALSE, {K, E, E}, FALSE},
        SetFrameStateCase{"WithNoKeyBefore", {E, I, I, C, I}, 1, E, FALSE, {E, E, E, C, I}, FALSE},
        SetFrameStateCase{"OnAnEmptyTrack", {}, 0, E, FALSE, {}, FALSE}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Key, CTimeLineTrackSetFrameStateTest,
    testing::Values(
        SetFrameStateCase{"WithFillAfterAKey", {K, E, E, E}, 3, K, TRUE, {K, I, I, K}, FALSE},
        SetFrameStateCase{"WithFillOnAnEmptyTrack", {}, 3, K, TRUE, {K, I, I, K}, TRUE},
        SetFrameStateCase{"ContentWithFillAndNoKeyBefore", {E, E, E}, 2, C, TRUE, {K, I, C}, TRUE},
        SetFrameStateCase{"ContentAtFrameZeroWithFill", {E, I}, 0, C, TRUE, {K, I}, TRUE},
        SetFrameStateCase{
            "WithFillStopsAtNearestKey", {K, E, C, E, E, E}, 5, K, TRUE, {K, E, C, I, I, K}, FALSE},
        SetFrameStateCase{
            "WithFillLeavesLaterFrames", {C, E, E, E}, 1, K, TRUE, {C, K, E, E}, FALSE},
        SetFrameStateCase{"WithoutFillPastTheEnd", {K}, 3, K, FALSE, {K, E, E, K}, FALSE},
        SetFrameStateCase{
            "ContentWithoutFillInsideTheTrack", {K, I, I, K}, 1, C, FALSE, {K, C, I, K}, FALSE},
        SetFrameStateCase{"WithoutFillOnAnEmptyTrack", {}, 2, C, FALSE, {E, E, C}, FALSE}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    DeleteKey, CTimeLineTrackSetFrameStateTest,
    testing::Values(
        SetFrameStateCase{
            "BetweenSpans", {K, I, I, K, I, I, K}, 3, I, FALSE, {K, I, I, I, I, I, K}, FALSE},
        SetFrameStateCase{"ClosingTheLastSpan", {K, I, I, K}, 3, I, FALSE, {K, E, E}, FALSE},
        SetFrameStateCase{
            "BeforeAnEmptyFrame", {K, I, I, K, E, K}, 3, I, FALSE, {K, E, E, E, E, K}, FALSE},
        SetFrameStateCase{"AtFrameZero", {K, I, I, K}, 0, I, FALSE, {E, E, E, K}, FALSE},
        SetFrameStateCase{"AtFrameZeroOfAnEmptyTrack", {}, 0, I, FALSE, {E}, FALSE},
        SetFrameStateCase{"PastTheEnd", {K, I}, 5, I, FALSE, {K, I}, FALSE}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Ignored, CTimeLineTrackSetFrameStateTest,
    testing::Values(SetFrameStateCase{"NegativeKeyWithFill", {K, I}, -1, K, TRUE, {K, I}, FALSE},
                    SetFrameStateCase{"NegativeContentKey", {K, I}, -1, C, FALSE, {K, I}, FALSE},
                    SetFrameStateCase{"NegativeClear", {K, I}, -1, E, FALSE, {K, I}, FALSE},
                    SetFrameStateCase{"NegativeDeleteKey", {K, I}, -1, I, FALSE, {K, I}, FALSE},
                    SetFrameStateCase{"StateAboveRange", {K, I}, 0, 5, TRUE, {K, I}, FALSE},
                    SetFrameStateCase{"StateBelowRange", {K, I}, 1, 0, FALSE, {K, I}, FALSE}),
    [](const auto& info) { return std::string(info.param.name); });

// The frame edits that take no state share one table shape.
struct FrameEditCase {
    const char* name;
    States before;
    int frame;
    States after;
};

void PrintTo(const FrameEditCase& testCase, std::ostream* out) {
    *out << testCase.name;
}

std::string FrameEditCaseName(const testing::TestParamInfo<FrameEditCase>& info) {
    return info.param.name;
}

class CTimeLineTrackDeleteFrameTest : public testing::TestWithParam<FrameEditCase> {};

TEST_P(CTimeLineTrackDeleteFrameTest, RemovesTheFrame) {
    CTimeLineTrack track = MakeTrack(GetParam().before);

    track.DeleteFrame(GetParam().frame);

    EXPECT_EQ(track.m_states, GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CTimeLineTrackDeleteFrameTest,
    testing::Values(FrameEditCase{"KeyAfterKeyJoinsSpans", {K, K, I, I, K}, 1, {K, I, I, K}},
                    FrameEditCase{"KeyAfterContentKeyJoinsSpans", {C, K, I}, 1, {C, I}},
                    FrameEditCase{"KeyAfterEmptyEmptiesItsSpan", {E, K, I, I, K}, 1, {E, E, E, K}},
                    FrameEditCase{
                        "KeyAtFrameZeroEmptiesItsSpan", {K, I, E, I, I, K}, 0, {E, E, E, E, K}},
                    FrameEditCase{"KeyInsideASpanJoinsSpans", {K, I, C, I, K}, 2, {K, I, I, K}},
                    FrameEditCase{"KeyClosingASpanEmptiesIt", {K, I, K, E, K}, 2, {K, E, E, K}},
                    FrameEditCase{"LastFrameKeyEmptiesItsSpan", {K, I, I, K}, 3, {K, E, E}},
                    FrameEditCase{"LastFrameInBetween", {K, I}, 1, {K}},
                    FrameEditCase{"NonKeyIsSimplyRemoved", {K, I, E, K}, 1, {K, E, K}},
                    FrameEditCase{"AtTheEnd", {K, I}, 2, {K, I}},
                    FrameEditCase{"AtTheLargestFrame", {K, I}, INT_MAX, {K, I}},
                    FrameEditCase{"Negative", {K, I}, -1, {K, I}}),
    FrameEditCaseName);

class CTimeLineTrackInsertFrameTest : public testing::TestWithParam<FrameEditCase> {};

TEST_P(CTimeLineTrackInsertFrameTest, InsertsBeforeTheFrame) {
    CTimeLineTrack track = MakeTrack(GetParam().before);

    track.InsertFrame(GetParam().frame);

    EXPECT_EQ(track.m_states, GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CTimeLineTrackInsertFrameTest,
    testing::Values(FrameEditCase{"AtFrameZero", {K, I, K}, 0, {E, K, I, K}},
                    FrameEditCase{"AtFrameZeroOfAnEmptyTrack", {}, 0, {E}},
                    FrameEditCase{"BeforeAKey", {K, I, K}, 2, {K, I, I, K}},
                    FrameEditCase{"BeforeAnInBetween", {K, I, K}, 1, {K, I, I, K}},
                    FrameEditCase{"BeforeAnEmpty", {K, E, E}, 1, {K, E, E, E}},
                    FrameEditCase{"BeforeAKeyAfterAnEmpty", {K, E, K}, 2, {K, E, I, K}},
                    FrameEditCase{"AtTheEnd", {K, I, K}, 3, {K, I, K}},
                    FrameEditCase{"PastTheEndOfAnEmptyTrack", {}, 1, {}},
                    FrameEditCase{"Negative", {K, I, K}, -1, {K, I, K}}),
    FrameEditCaseName);

struct TrimCase {
    const char* name;
    States before;
    States after;
    int lastKey;
};

void PrintTo(const TrimCase& testCase, std::ostream* out) {
    *out << testCase.name;
}

class CTimeLineTrackTrimTrailingFramesTest : public testing::TestWithParam<TrimCase> {};

TEST_P(CTimeLineTrackTrimTrailingFramesTest, KeepsFramesUpToTheLastKey) {
    CTimeLineTrack track = MakeTrack(GetParam().before);

    EXPECT_EQ(track.TrimTrailingFrames(), GetParam().lastKey);
    EXPECT_EQ(track.m_states, GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CTimeLineTrackTrimTrailingFramesTest,
    testing::Values(TrimCase{"TrailingSpanAndEmpties", {K, I, I, E, I}, {K}, 0},
                    TrimCase{"NoKey", {E, I, E}, {}, -1}, TrimCase{"EmptyTrack", {}, {}, -1},
                    TrimCase{"EndsWithAKey", {E, I, C, K}, {E, I, C, K}, 3},
                    TrimCase{"LastKeyIsAContentKey", {K, I, C, E}, {K, I, C}, 2}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
