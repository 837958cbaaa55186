#pragma once

// Short names for frame states, so that a track reads as a row of letters in the tests.

#include "scene/SceneTypes.h"

#include <cstdint>
#include <vector>

namespace SceneTestValues {

using Bytes = std::vector<std::uint8_t>;
using States = std::vector<std::int32_t>;

constexpr std::int32_t E = FrameEmpty;
constexpr std::int32_t I = FrameInBetween;
constexpr std::int32_t K = FrameKey;
constexpr std::int32_t C = FrameContentKey;

} // namespace SceneTestValues
