#pragma once

// Bounds on what FFmpeg may be asked to read and to allocate in this process.

namespace FFmpeg {

// Caps each single allocation of FFmpeg at the largest file that the RIFF reader opens
// (CRiffReader::MaxFileBytes) plus padding: every frame the recorder encodes and every piece
// of sound it converts is smaller. Takes effect once, the first time it is called.
void LimitAllocations();

} // namespace FFmpeg
