#pragma once

// The state of one frame of a timeline row, stored as a plain int per frame. The values are
// the timeline's own encoding of the scene's frame states and are kept as they are because
// the rows are copied to and from the scene by value.
enum TimeLineFrameState : int {
    TimeLineEmpty = 1,      // the object is absent at this frame
    TimeLineKey = 2,        // a key without content
    TimeLineContentKey = 3, // a key carrying a motion, a WAV or a subtitle text
    TimeLineInBetween = 4,  // filled from the keys around it
};

// Both kinds of key start or continue a span; the editing rules never tell them apart.
constexpr bool IsTimeLineKey(int state) {
    return state == TimeLineKey || state == TimeLineContentKey;
}
