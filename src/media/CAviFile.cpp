#include "media/CAviFile.h"

#include <cstdio>
#include <utility>

std::unique_ptr<CAviFile> CAviFile::Create(const std::string& path) {
    AVFormatContext* format = nullptr;
    if (avformat_alloc_output_context2(&format, nullptr, "avi", path.c_str()) < 0) {
        return nullptr;
    }
    // Frames go straight to the file, not copied through the small write buffer first.
    if (avio_open(&format->pb, path.c_str(), AVIO_FLAG_WRITE | AVIO_FLAG_DIRECT) < 0) {
        avformat_free_context(format);
        return nullptr;
    }
    return std::unique_ptr<CAviFile>(new CAviFile(format, path));
}

CAviFile::CAviFile(AVFormatContext* format, std::string path)
    : m_format(format), m_path(std::move(path)) {}

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
    avio_closep(&m_format->pb);
    avformat_free_context(m_format);
    m_format = nullptr;
    m_hasHeader = false;
}
