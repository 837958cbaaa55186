#pragma once

// Documents built byte by byte, for the tests, the benchmarks and the fuzzing corpus: the
// document of a new scene, and documents whose counts claim more records than they hold.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace DocumentBytes {

using Bytes = std::vector<std::uint8_t>;

// The document of the scene a new process starts with.
inline const Bytes NewScene = {
    0x66, 0x66, 0xA6, 0x3F, 0x01, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x1E, 0x41, 0x5A,
    0x00, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00,
    0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x84, 0x03, 0x00, 0x00, 0x40, 0x01, 0x00, 0x00, 0xF0, 0x00,
    0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC8, 0xC2, 0x00,
    0x00, 0x7A, 0xC4, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x80, 0x3F, 0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x00};

// A count of the document of WithOneCharacter: where it stands, where its records begin, and
// the fewest bytes that a record takes. The counts before the characters stand at the same
// places in NewScene, whose camera records begin where its characters would.
struct Count {
    const char* name;
    std::size_t at;
    std::size_t recordsAt;
    std::size_t storedBytes;
};
constexpr Count WaveFrames = {"wave", 4, 8, 5};
constexpr Count Characters = {"characters", 21, 51, 6};
constexpr Count CameraRecords = {"camera", 25, 57, 43};
constexpr Count SubtitleFrames = {"subtitles", 29, 33, 5};
constexpr Count KeyRecords = {"keys", 52, 57, 43};
constexpr Count EveryCount[] = {WaveFrames, Characters, CameraRecords, SubtitleFrames, KeyRecords};

inline void PutInt32(Bytes& bytes, std::size_t at, std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    for (std::size_t i = 0; i < 4; ++i) {
        bytes[at + i] = static_cast<std::uint8_t>(bits >> (8 * i));
    }
}

// NewScene with one character record (no file name, no keys, unlocked) whose key count is
// the given value.
inline Bytes WithOneCharacter(std::int32_t keyCount) {
    Bytes bytes = NewScene;
    PutInt32(bytes, Characters.at, 1);
    const Bytes record = {0x00, 0, 0, 0, 0, 0x00};
    bytes.insert(bytes.begin() + Characters.recordsAt, record.begin(), record.end());
    PutInt32(bytes, KeyRecords.at, keyCount);
    return bytes;
}

// The document of WithOneCharacter(0) up to where the records of `count` begin, with that
// count claiming as many records as `rest` has room for, and then `rest`.
inline Bytes Claiming(const Count& count, const Bytes& rest) {
    const Bytes document = WithOneCharacter(0);
    Bytes bytes(document.begin(), document.begin() + static_cast<std::ptrdiff_t>(count.recordsAt));
    PutInt32(bytes, count.at, static_cast<std::int32_t>(rest.size() / count.storedBytes));
    bytes.insert(bytes.end(), rest.begin(), rest.end());
    return bytes;
}

} // namespace DocumentBytes
