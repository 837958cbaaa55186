#pragma once

// One row of the timeline: a caption, one TimeLineFrameState per frame and a lock flag,
// together with the rules by which keying, clearing, deleting and inserting a frame reshape
// the spans of in-between frames around it. A span starts at a key and runs up to the next
// empty frame or the end of the row.

#include "platform/WinTypes.h"
#include "timeline/TimeLineFrameState.h"

#include <cstdint>
#include <string>
#include <vector>

class CTimeLineTrack {
public:
    // `name` is code-page-932 text; the track starts with no frames and unlocked.
    explicit CTimeLineTrack(std::string name);

    // Frames that are negative or past the end read as TimeLineEmpty.
    int GetFrameState(int frame) const;

    // TimeLineKey or TimeLineContentKey keys the frame, growing the track; with
    // `fillBefore`, the frames back to the previous key become in-between, and when there
    // is no previous key frame 0 becomes a TimeLineKey and the result is TRUE, so that the
    // caller keys frame 0 of the scene track as well. TimeLineEmpty clears the frame and
    // everything between the keys around it; TimeLineInBetween deletes the key at the
    // frame. Negative frames and other states are ignored. Returns FALSE in all other cases.
    BOOL SetFrameState(int frame, int state, BOOL fillBefore);
    // Removes one frame. Around a removed key the spans on both sides join, unless only that
    // key started or closed a span, which is then emptied.
    void DeleteFrame(int frame);
    // Inserts one frame before `frame`, continuing the span it falls in. Frame 0 always gets
    // an empty frame; frames past the end are ignored, so insertion never extends the track.
    void InsertFrame(int frame);
    // Drops the non-key frames after the last key; returns that key's index, or -1 when the
    // track has no key (and is then left empty).
    int TrimTrailingFrames();

    std::string m_strName;
    std::vector<std::int32_t> m_states;
    std::uint8_t m_bLock = 0;

private:
    int FrameCount() const { return static_cast<int>(m_states.size()); }
    bool IsKey(int frame) const { return IsTimeLineKey(GetFrameState(frame)); }

    void ClearBetweenKeys(int frame);
    void DeleteKey(int frame);
    BOOL SetKey(int frame, int state, BOOL fillBefore);
    void EmptySpanAroundKey(int frame);
    bool FillUntilKey(int from, int step, int state);
};
