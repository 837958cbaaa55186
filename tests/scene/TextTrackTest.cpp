#include "scene/TextTrack.h"

#include "platform/CArchive.h"
#include "scene/SceneTypes.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

// The subtitle and WAV tests cover the edits through their owners; these cases cover what
// only shows on the shared track itself.

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Track {
    TextTrack::Texts texts;
    TextTrack::States states;
};

Bytes Store(Track track) {
    Bytes buffer;
    CArchive archive(buffer, CArchive::store);
    TextTrack::Serialize(archive, track.texts, track.states);
    return buffer;
}

void Load(Bytes buffer, Track& track) {
    CArchive archive(buffer, CArchive::load);
    TextTrack::Serialize(archive, track.texts, track.states);
    EXPECT_EQ(archive.GetRemaining(), 0u);
}

TEST(TextTrackTest, SetFrameStateOnAnExistingFrameKeepsItsTextAndTheLength) {
    Track track{{"a", "b", "c"}, {FrameKey, FrameContentKey, FrameInBetween}};

    TextTrack::SetFrameState(track.texts, track.states, 1, FrameEmpty);

    EXPECT_EQ(track.texts, (TextTrack::Texts{"a", "b", "c"}));
    EXPECT_EQ(track.states, (TextTrack::States{FrameKey, FrameEmpty, FrameInBetween}));
}

TEST(TextTrackTest, StoresCountThenTextAndStatePerFrame) {
    const Track track{{"T", std::string(300, 'x')}, {FrameContentKey, FrameEmpty}};

    const Bytes stored = Store(track);

    const Bytes head = {0x02, 0x00, 0x00, 0x00, 0x01, 'T', 0x02,
                        0x00, 0x00, 0x00, 0xFF, 0x2C, 0x01};
    ASSERT_EQ(stored.size(), head.size() + 300 + 4);
    EXPECT_EQ(Bytes(stored.begin(), stored.begin() + static_cast<std::ptrdiff_t>(head.size())),
              head);
    EXPECT_EQ(Bytes(stored.end() - 4, stored.end()), (Bytes{0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST(TextTrackTest, ReadingReplacesALongerTrack) {
    const Bytes stored = Store(Track{{"T"}, {FrameContentKey}});
    Track track{{"a", "b", "c"}, {FrameKey, FrameKey, FrameKey}};

    Load(stored, track);

    EXPECT_EQ(track.texts, TextTrack::Texts{"T"});
    EXPECT_EQ(track.states, TextTrack::States{FrameContentKey});
}

TEST(TextTrackTest, HostileFrameCountThrowsBeforeTheTrackGrows) {
    for (const std::int32_t count : {-1, INT_MIN, INT_MAX, 2}) {
        SCOPED_TRACE(count);
        Bytes stored = Store(Track{{"T"}, {FrameContentKey}}); // 10 bytes: room for one frame
        for (std::size_t i = 0; i < 4; ++i) {
            stored[i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(count) >> (8 * i));
        }
        Track track{{"a"}, {FrameKey}};

        EXPECT_THROW(Load(stored, track), CArchiveException);
        EXPECT_EQ(track.texts, TextTrack::Texts{"a"});
        EXPECT_EQ(track.states, TextTrack::States{FrameKey});
    }
}

} // namespace
