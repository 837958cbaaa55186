#pragma once

// Edits of a track kept as two parallel per-frame arrays, a text and a FrameState per frame:
// the subtitle track and the WAV track. Both arrays always keep the same length; a frame
// past the end does not exist, except for SetFrameState, which grows the track.

#include <cstdint>
#include <string>
#include <vector>

class CArchive;

namespace TextTrack {

using Texts = std::vector<std::string>;
using States = std::vector<std::int32_t>;

// Grows the track with in-between frames until frame n exists, then sets its state; the
// text is not touched. A negative frame changes nothing.
void SetFrameState(Texts& texts, States& states, int n, std::int32_t state);
// Inserts an in-between frame with an empty text before frame n.
void InsertFrame(Texts& texts, States& states, int n);
void DeleteFrame(Texts& texts, States& states, int n);
// The text of frame n, or an empty text.
std::string GetText(const Texts& texts, const States& states, int n);
// Frame n becomes a content key holding the text; nothing happens past the end.
void SetContent(Texts& texts, States& states, int n, const std::string& text);
// The frame count, then each frame's text and state.
void Serialize(CArchive& archive, Texts& texts, States& states);

} // namespace TextTrack
