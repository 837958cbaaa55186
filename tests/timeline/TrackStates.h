#pragma once

// Frame states of a timeline row as the tests write them: short names keep the state tables
// readable.

#include "timeline/CTimeLineTrack.h"

#include <cstdint>
#include <vector>

using States = std::vector<std::int32_t>;

constexpr std::int32_t E = TimeLineEmpty;
constexpr std::int32_t K = TimeLineKey;
constexpr std::int32_t C = TimeLineContentKey;
constexpr std::int32_t I = TimeLineInBetween;
