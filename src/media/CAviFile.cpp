#include "media/CAviFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <limits>

#include <unistd.h>

namespace {

constexpr int WriteBufferBytes = 1 << 16;
// How far in time the waiting packets may reach, in AV_TIME_BASE units.
constexpr std::int64_t LongestWait = 10 * AV_TIME_BASE;
// The stream whose packets are written at once.
constexpr int FrameStream = 0;

} // namespace

std::unique_ptr<CAviFile> CAviFile::Create(const std::string& path) {
    std::unique_ptr<CAviFile> avi(new CAviFile(path));
    if (avi->m_file.Error() || !avi->OpenMuxer()) {
        return nullptr;
    }
    return avi;
}

CAviFile::CAviFile(const std::string& path) : m_file(path), m_output{m_file.Descriptor()} {}

bool CAviFile::OpenMuxer() {
    if (avformat_alloc_output_context2(&m_format, nullptr, "avi", nullptr) < 0) {
        return false;
    }
    auto* buffer = static_cast<unsigned char*>(av_malloc(WriteBufferBytes));
    m_format->pb = buffer != nullptr
                       ? avio_alloc_context(buffer, WriteBufferBytes, 1, &m_output, nullptr,
                                            &CAviFile::WriteToFile, &CAviFile::SeekInFile)
                       : nullptr;
    if (m_format->pb == nullptr) {
        av_free(buffer);
        return false;
    }
    m_format->pb->direct = 1; // large writes skip the buffer
    return true;
}

// A frame larger than the write buffer comes here in one piece, without being copied first.
int CAviFile::WriteToFile(void* output, std::uint8_t* data, int size) {
    Output& out = *static_cast<Output*>(output);
    for (int done = 0; done < size;) {
        const ssize_t written =
            ::pwrite(out.file, data + done, static_cast<std::size_t>(size - done), out.position);
        if (written < 0) {
            if (errno != EINTR) {
                return AVERROR(errno);
            }
            continue;
        }
        done += static_cast<int>(written);
        out.position += written;
    }
    out.end = std::max(out.end, out.position);
    return size;
}

std::int64_t CAviFile::SeekInFile(void* output, std::int64_t offset, int whence) {
    Output& out = *static_cast<Output*>(output);
    switch (whence & ~AVSEEK_FORCE) {
    case AVSEEK_SIZE:
        return out.end;
    case SEEK_SET:
        break;
    case SEEK_CUR:
        offset += out.position;
        break;
    case SEEK_END:
        offset += out.end;
        break;
    default:
        return AVERROR(EINVAL);
    }
    if (offset < 0) {
        return AVERROR(EINVAL);
    }
    out.position = offset;
    return offset;
}

CAviFile::~CAviFile() {
    FreeMuxer();
}

AVStream* CAviFile::AddStream(const std::string& name, const AviStreamFields& fields) {
    AVStream* stream =
        m_format != nullptr && !m_hasHeader ? avformat_new_stream(m_format, nullptr) : nullptr;
    if (stream == nullptr || av_dict_set(&stream->metadata, "title", name.c_str(), 0) < 0) {
        return nullptr;
    }
    m_fields.push_back(fields);
    return stream;
}

bool CAviFile::WriteHeader() {
    AVDictionary* options = nullptr;
    av_dict_set(&options, "flipped_raw_rgb", "1", 0);
    m_hasHeader = m_format != nullptr && avformat_write_header(m_format, &options) >= 0;
    av_dict_free(&options);
    return m_hasHeader;
}

bool CAviFile::WritePacket(AVPacket& packet, const AVStream& stream, AVRational timeBase) {
    if (!m_hasHeader) {
        return false;
    }
    packet.stream_index = stream.index;
    av_packet_rescale_ts(&packet, timeBase, stream.time_base);
    if (stream.index != FrameStream) {
        return Wait(packet);
    }
    const bool earlier = WriteWaitingBefore(TimeOf(packet));
    return av_write_frame(m_format, &packet) >= 0 && earlier;
}

bool CAviFile::Wait(const AVPacket& packet) {
    FFmpeg::Pointer<AVPacket> waiting(av_packet_alloc());
    if (!waiting || av_packet_ref(waiting.get(), &packet) < 0) {
        return false;
    }
    m_waiting.push_back(std::move(waiting));
    bool written = true;
    while (TimeOf(*m_waiting.back()) - TimeOf(*m_waiting.front()) > LongestWait) {
        written = WriteFirstWaiting() && written;
    }
    return written;
}

bool CAviFile::WriteWaitingBefore(std::int64_t time) {
    bool written = true;
    while (!m_waiting.empty() && TimeOf(*m_waiting.front()) < time) {
        written = WriteFirstWaiting() && written;
    }
    return written;
}

bool CAviFile::WriteFirstWaiting() {
    const bool written = av_write_frame(m_format, m_waiting.front().get()) >= 0;
    m_waiting.pop_front();
    return written;
}

std::int64_t CAviFile::TimeOf(const AVPacket& packet) const {
    return av_rescale_q(packet.dts, m_format->streams[packet.stream_index]->time_base,
                        AV_TIME_BASE_Q);
}

// A recording takes far longer to reach the disk than to write, and the rename does not wait
// for it: ext4 and btrfs write a file renamed over another before they commit the rename. Nor
// can it be made again as a document can be saved again: a whole one that cannot be renamed
// is kept.
bool CAviFile::Finish() {
    if (!m_hasHeader) {
        return false;
    }
    const bool waiting = WriteWaitingBefore(std::numeric_limits<std::int64_t>::max());
    const bool trailer = av_write_trailer(m_format) >= 0 && waiting;
    avio_flush(m_format->pb);
    const bool written = trailer && m_format->pb->error == 0;
    FreeMuxer();
    return written && PatchAviStreamHeaders(m_file.Path(), m_fields) &&
           !m_file.Commit(ReplacementFile::Flush::None, ReplacementFile::Unplaced::Keep);
}

void CAviFile::FreeMuxer() {
    if (m_format == nullptr) {
        return;
    }
    if (m_format->pb != nullptr) {
        av_freep(&m_format->pb->buffer);
        avio_context_free(&m_format->pb);
    }
    avformat_free_context(m_format);
    m_format = nullptr;
    m_hasHeader = false;
    m_waiting.clear();
}
