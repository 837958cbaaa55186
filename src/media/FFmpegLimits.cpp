#include "media/FFmpegLimits.h"

#include "platform/CRiffReader.h"

extern "C" {
#include <libavutil/mem.h>
}

namespace FFmpeg {
namespace {
// Room for the padding that FFmpeg adds to its buffers.
constexpr std::size_t AllocationSlack = std::size_t{1} << 20;
} // namespace

void LimitAllocations() {
    static const bool limited = [] {
        av_max_alloc(static_cast<std::size_t>(CRiffReader::MaxFileBytes) + AllocationSlack);
        return true;
    }();
    (void)limited;
}

} // namespace FFmpeg
