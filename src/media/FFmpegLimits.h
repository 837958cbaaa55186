#pragma once

// Bounds on what FFmpeg may be asked to read and to allocate in this process.

namespace FFmpeg {

// Caps each single allocation of FFmpeg at what the largest WAV file that the RIFF reader
// opens (CRiffReader::MaxFileBytes) needs: FFmpeg's WAV reader allocates a chunk's whole
// content (an INFO entry, a broadcast extension), which lies inside the file, plus padding;
// every frame the recorder encodes is smaller. Takes effect once, the first time it is
// called.
void LimitAllocations();

} // namespace FFmpeg
