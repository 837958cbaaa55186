#include "media/CAviFile.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int WriteBufferBytes = 1 << 16;

// The file's writes and seeks for FFmpeg, straight on the descriptor: a frame larger than
// the write buffer goes to the file in one write, without being copied first.
int WriteToFile(void* file, std::uint8_t* data, int size) {
    const int descriptor = static_cast<FileDescriptor*>(file)->Get();
    for (int done = 0; done < size;) {
        const ssize_t written =
            ::write(descriptor, data + done, static_cast<std::size_t>(size - done));
        if (written < 0 && errno != EINTR) {
            return AVERROR(errno);
        }
        done += written > 0 ? static_cast<int>(written) : 0;
    }
    return size;
}

std::int64_t SeekInFile(void* file, std::int64_t offset, int whence) {
    const int descriptor = static_cast<FileDescriptor*>(file)->Get();
    if (whence == AVSEEK_SIZE) {
        struct stat status {};
        return ::fstat(descriptor, &status) == 0 ? status.st_size : AVERROR(errno);
    }
    const off_t position = ::lseek(descriptor, offset, whence & ~AVSEEK_FORCE);
    return position >= 0 ? position : AVERROR(errno);
}

} // namespace

std::unique_ptr<CAviFile> CAviFile::Create(const std::string& path) {
    FileDescriptor file(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    AVFormatContext* format = nullptr;
    if (!file.IsOpen() ||
        avformat_alloc_output_context2(&format, nullptr, "avi", path.c_str()) < 0) {
        return nullptr;
    }
    std::unique_ptr<CAviFile> created(new CAviFile(format, path, std::move(file)));
    auto* buffer = static_cast<unsigned char*>(av_malloc(WriteBufferBytes));
    format->pb = buffer != nullptr
                     ? avio_alloc_context(buffer, WriteBufferBytes, 1, &created->m_file, nullptr,
                                          &WriteToFile, &SeekInFile)
                     : nullptr;
    if (format->pb == nullptr) {
        av_free(buffer);
        return nullptr;
    }
    format->pb->direct = 1; // large writes skip the buffer
    return created;
}

CAviFile::CAviFile(AVFormatContext* format, std::string path, FileDescriptor file)
    : m_format(format), m_path(std::move(path)), m_file(std::move(file)) {}

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
    return av_interleaved_write_frame(m_format, &packet) >= 0;
}

bool CAviFile::Finish() {
    if (!m_hasHeader) {
        return false;
    }
    const bool trailer = av_write_trailer(m_format) >= 0;
    avio_flush(m_format->pb);
    const bool written = trailer && m_format->pb->error == 0;
    CloseFile();
    return PatchAviStreamHeaders(m_path, m_fields) && written;
}

void CAviFile::Discard() {
    CloseFile();
    std::remove(m_path.c_str());
}

void CAviFile::CloseFile() {
    if (m_format == nullptr) {
        return;
    }
    if (m_format->pb != nullptr) {
        avio_flush(m_format->pb);
        av_freep(&m_format->pb->buffer);
        avio_context_free(&m_format->pb);
    }
    avformat_free_context(m_format);
    m_file.Close();
    m_format = nullptr;
    m_hasHeader = false;
}
