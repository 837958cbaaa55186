#pragma once

// Stream header fields that FFmpeg's AVI muxer writes its own way, patched into a finished
// file: the muxer has no option for them, and none of them moves a chunk that an index
// points at.

#include "platform/CRiffReader.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct AviStreamFields {
    // The stream header's handler ("DIB " for uncompressed frames, 0 for sound).
    std::optional<FOURCC> handler;
    std::optional<std::uint16_t> priority;
    std::optional<DWORD> suggestedBufferSize;
    // The bitmap's image size, for a video stream.
    std::optional<DWORD> imageSize;
    // The sound format as an 18-byte WAVEFORMATEX (cbSize 0) instead of the muxer's 16-byte
    // PCMWAVEFORMAT. The two bytes come from the reserved space (JUNK or index) that the
    // muxer leaves at the end of the stream's list, so nothing outside the list moves.
    bool extendedWaveFormat = false;
};

// Patches the fields of each stream, in stream order, into the AVI file at a UTF-8 path.
// False when the file does not have the layout FFmpeg writes or cannot be written.
bool PatchAviStreamHeaders(const std::string& path, const std::vector<AviStreamFields>& streams);
