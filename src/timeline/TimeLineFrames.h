#pragma once

// Frame arithmetic of the timeline. Frames are ints, but a frame plus a number of columns or
// steps is taken in 64 bits, so that no sum wraps, whatever the frame count or the scroll
// position.

#include <algorithm>
#include <cstdint>
#include <limits>

namespace TimeLineFrames {

// Every multiple of `step` (above 0) from `first` to `last`, never below 0.
template <class Action>
void ForEveryNth(int step, std::int64_t first, std::int64_t last, Action action) {
    for (std::int64_t frame = first <= 0 ? 0 : (first + step - 1) / step * step; frame <= last;
         frame += step) {
        action(frame);
    }
}

// A frame held within the range of int.
inline int Saturated(std::int64_t frame) {
    return static_cast<int>(std::clamp<std::int64_t>(frame, std::numeric_limits<int>::min(),
                                                     std::numeric_limits<int>::max()));
}

} // namespace TimeLineFrames
