#include "timeline/CTimeLineTrack.h"

#include <algorithm>
#include <cstddef>
#include <utility>

CTimeLineTrack::CTimeLineTrack(std::string name) : m_strName(std::move(name)) {}

int CTimeLineTrack::GetFrameState(int frame) const {
    if (frame < 0 || frame >= FrameCount()) {
        return TimeLineEmpty;
    }
    return m_states[frame];
}

BOOL CTimeLineTrack::SetFrameState(int frame, int state, BOOL fillBefore) {
    if (frame < 0) {
        return FALSE;
    }
    switch (state) {
    case TimeLineEmpty:
        ClearBetweenKeys(frame);
        return FALSE;
    case TimeLineInBetween:
        DeleteKey(frame);
        return FALSE;
    case TimeLineKey:
    case TimeLineContentKey:
        return SetKey(frame, state, fillBefore);
    default:
        return FALSE;
    }
}

void CTimeLineTrack::DeleteFrame(int frame) {
    if (frame < 0 || frame >= FrameCount()) {
        return;
    }
    if (IsKey(frame)) {
        EmptySpanAroundKey(frame);
    }
    m_states.erase(m_states.begin() + frame);
}

void CTimeLineTrack::InsertFrame(int frame) {
    // Frame 0 is accepted even on an empty track.
    if (frame < 0 || (frame > 0 && frame >= FrameCount())) {
        return;
    }
    const bool insideSpan = frame > 0 && m_states[frame] != TimeLineEmpty;
    m_states.insert(m_states.begin() + frame, insideSpan ? TimeLineInBetween : TimeLineEmpty);
}

int CTimeLineTrack::TrimTrailingFrames() {
    while (!m_states.empty() && !IsTimeLineKey(m_states.back())) {
        m_states.pop_back();
    }
    return FrameCount() - 1;
}

// Never grows the track: a frame past the end clears back from the last frame.
void CTimeLineTrack::ClearBetweenKeys(int frame) {
    if (frame < FrameCount()) {
        m_states[frame] = TimeLineEmpty;
        FillUntilKey(frame + 1, 1, TimeLineEmpty);
    }
    FillUntilKey(std::min(frame, FrameCount()) - 1, -1, TimeLineEmpty);
}

// Deleting and re-inserting the frame lets the deletion rules join or empty the spans and
// leaves a frame that matches the one after it; at the last frame nothing is re-inserted.
void CTimeLineTrack::DeleteKey(int frame) {
    DeleteFrame(frame);
    InsertFrame(frame);
}

BOOL CTimeLineTrack::SetKey(int frame, int state, BOOL fillBefore) {
    const std::size_t length = static_cast<std::size_t>(frame) + 1;
    if (m_states.size() < length) {
        m_states.resize(length, fillBefore ? TimeLineInBetween : TimeLineEmpty);
    }
    m_states[frame] = state;
    if (!fillBefore || FillUntilKey(frame - 1, -1, TimeLineInBetween)) {
        return FALSE;
    }
    // The filled span needs a key to start from. This also overrides a content key asked
    // for at frame 0 itself.
    m_states[0] = TimeLineKey;
    return TRUE;
}

// Called before the key at `frame` is removed. With nothing but an empty frame (or the start
// of the track) before it, the span the key started is emptied; after an in-between frame
// with nothing of the span following, the span the key closed is emptied. Otherwise the spans
// on both sides simply join.
void CTimeLineTrack::EmptySpanAroundKey(int frame) {
    const int previous = GetFrameState(frame - 1);
    const int next = GetFrameState(frame + 1);
    if (previous == TimeLineEmpty) {
        FillUntilKey(frame + 1, 1, TimeLineEmpty);
    } else if (previous == TimeLineInBetween && next == TimeLineEmpty) {
        FillUntilKey(frame - 1, -1, TimeLineEmpty);
    }
}

// Sets frames from `from` on, stepping by `step`, to `state` until a key or either end of the
// track; returns whether a key ended the walk.
bool CTimeLineTrack::FillUntilKey(int from, int step, int state) {
    for (int frame = from; frame >= 0 && frame < FrameCount(); frame += step) {
        if (IsKey(frame)) {
            return true;
        }
        m_states[frame] = state;
    }
    return false;
}
