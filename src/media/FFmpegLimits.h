#pragma once

// Bounds on what FFmpeg may be asked to read and to allocate in this process.

#include <cstdint>

namespace FFmpeg {

// The largest WAV file that the recorder hands to FFmpeg.
constexpr std::uint64_t MaxWaveFileBytes = std::uint64_t{1} << 30;

// Caps each single allocation of FFmpeg at what the largest accepted file needs: its WAV
// reader allocates a chunk's whole content (an INFO entry, a broadcast extension), which
// lies inside the file, plus padding; every frame the recorder encodes is smaller. Takes
// effect once, the first time it is called.
void LimitAllocations();

} // namespace FFmpeg
