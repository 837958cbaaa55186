#pragma once

// The choice of the video compressor before a recording: a list of the compressors by name,
// uncompressed first, worded in the string table, in the dialog service's list dialog.

#include "media/IVideoCompressorChooser.h"

class CCompressorChooser final : public IVideoCompressorChooser {
public:
    const VideoCompressor* Choose(const std::vector<VideoCompressor>& choices) override;
};
