#pragma once

// Asks which compressor to record with. The application shows a dialog; tests choose
// directly.

#include "media/VideoCompressor.h"

#include <vector>

class IVideoCompressorChooser {
public:
    virtual ~IVideoCompressorChooser() = default;
    // One of `choices` (never empty; uncompressed comes first, the usual default), or null
    // when the user cancels.
    virtual const VideoCompressor* Choose(const std::vector<VideoCompressor>& choices) = 0;
};
