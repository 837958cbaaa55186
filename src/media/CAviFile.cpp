#include "media/CAviFile.h"

#include "platform/FilePath.h"
#include "platform/OutputPath.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int WriteBufferBytes = 1 << 16;
// How far in time the waiting packets may reach, in AV_TIME_BASE units.
constexpr std::int64_t LongestWait = 10 * AV_TIME_BASE;
// The stream whose packets are written at once.
constexpr int FrameStream = 0;

// Opens the file of a recording: a new one, or the regular file already there. Anything else
// at the path is refused before it is opened; O_NONBLOCK and O_NOCTTY keep a pipe or a
// terminal put there meanwhile from blocking the open or becoming the controlling terminal,
// and the open file's type is checked again.
FileDescriptor OpenOutput(const std::string& path, bool& created) {
    constexpr int Flags = O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    created = false;
    if (OutputPath::Check(path)) {
        return FileDescriptor();
    }
    FileDescriptor file(::open(path.c_str(), Flags | O_CREAT | O_EXCL, 0666));
    created = file.IsOpen();
    if (!created && errno == EEXIST) {
        file = FileDescriptor(::open(path.c_str(), Flags));
    }
    struct stat status {};
    if (!file.IsOpen() || ::fstat(file.Get(), &status) != 0 ||
        OutputPath::CheckType(status.st_mode)) {
        return FileDescriptor();
    }
    return file;
}

} // namespace

// An existing file is written over and cut to the recording's length when it closes:
// truncating it first would make ext4 wait for the old recording to reach the disk, then
// write the whole new one out as it closes, which together take longer than recording.
// A recording through a symbolic link writes the link's target, made if the link dangles: a
// failed recording removes that target if it made it, never the link.
std::unique_ptr<CAviFile> CAviFile::Create(const std::string& path) {
    std::string target = path;
    bool created = false;
    FileDescriptor file =
        FilePath::FollowLinks(target) ? FileDescriptor() : OpenOutput(target, created);
    if (!file.IsOpen()) {
        return nullptr;
    }
    std::unique_ptr<CAviFile> avi(new CAviFile(target, std::move(file), created));
    if (!avi->OpenMuxer()) {
        avi->Discard();
        return nullptr;
    }
    return avi;
}

CAviFile::CAviFile(std::string path, FileDescriptor file, bool created)
    : m_path(std::move(path)), m_created(created), m_output{std::move(file)} {}

bool CAviFile::OpenMuxer() {
    if (avformat_alloc_output_context2(&m_format, nullptr, "avi", m_path.c_str()) < 0) {
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
        const ssize_t written = ::pwrite(out.file.Get(), data + done,
                                         static_cast<std::size_t>(size - done), out.position);
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
    CloseFile();
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

bool CAviFile::Finish() {
    if (!m_hasHeader) {
        return false;
    }
    const bool waiting = WriteWaitingBefore(std::numeric_limits<std::int64_t>::max());
    const bool trailer = av_write_trailer(m_format) >= 0 && waiting;
    avio_flush(m_format->pb);
    const bool written = trailer && m_format->pb->error == 0;
    const bool closed = CloseFile();
    return PatchAviStreamHeaders(m_path, m_fields) && written && closed;
}

void CAviFile::Discard() {
    FreeMuxer();
    m_output.file.Close();
    if (m_created) {
        std::remove(m_path.c_str());
    }
}

bool CAviFile::CloseFile() {
    if (m_format == nullptr) {
        return true;
    }
    if (m_format->pb != nullptr) {
        avio_flush(m_format->pb);
    }
    FreeMuxer();
    const bool cut = ::ftruncate(m_output.file.Get(), m_output.end) == 0;
    return m_output.file.Close() && cut;
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
