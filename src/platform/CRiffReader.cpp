#include "platform/CRiffReader.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace {
constexpr std::uint64_t HeaderBytes = 8;
constexpr std::uint64_t FormTypeBytes = 4;
constexpr std::uint64_t Unlimited = ~std::uint64_t{0};
constexpr FOURCC RiffId = MakeFourCC("RIFF");

DWORD LittleEndian(const unsigned char* bytes) {
    return static_cast<DWORD>(bytes[0]) | (static_cast<DWORD>(bytes[1]) << 8) |
           (static_cast<DWORD>(bytes[2]) << 16) | (static_cast<DWORD>(bytes[3]) << 24);
}
} // namespace

bool CRiffReader::Open(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        return false;
    }
    m_fileSize = std::filesystem::file_size(path, error);
    m_file.open(path, std::ios::binary);
    m_position = 0;
    return !error && m_file.is_open();
}

bool CRiffReader::DescendRiff(RiffChunk& chunk) {
    if (!Seek(0)) {
        return false;
    }
    while (ReadHeader(chunk, Unlimited)) {
        // Writers often get the RIFF size wrong; the file's end bounds it instead.
        chunk.end = std::min(chunk.end, m_fileSize);
        if (chunk.id == RiffId) {
            unsigned char formType[FormTypeBytes];
            if (chunk.size < FormTypeBytes || !Read(formType, sizeof formType)) {
                return false;
            }
            chunk.formType = LittleEndian(formType);
            return true;
        }
        if (!Ascend(chunk)) {
            return false;
        }
    }
    return false;
}

bool CRiffReader::Descend(RiffChunk& chunk, const RiffChunk& parent) {
    return ReadHeader(chunk, parent.end);
}

bool CRiffReader::FindChunk(RiffChunk& chunk, const RiffChunk& parent, FOURCC id) {
    while (Descend(chunk, parent)) {
        if (chunk.id == id) {
            return true;
        }
        if (!Ascend(chunk)) {
            return false;
        }
    }
    return false;
}

bool CRiffReader::Ascend(const RiffChunk& chunk) {
    return Seek(chunk.end + (chunk.size & 1u));
}

bool CRiffReader::Read(void* data, std::size_t bytes) {
    if (bytes > m_fileSize - std::min(m_position, m_fileSize) ||
        !m_file.read(static_cast<char*>(data), static_cast<std::streamsize>(bytes))) {
        return false;
    }
    m_position += bytes;
    return true;
}

bool CRiffReader::ReadHeader(RiffChunk& chunk, std::uint64_t limit) {
    unsigned char header[HeaderBytes];
    if (m_position > limit || HeaderBytes > limit - m_position || !Read(header, sizeof header)) {
        return false;
    }
    chunk.id = LittleEndian(header);
    chunk.size = LittleEndian(header + 4);
    chunk.formType = 0;
    chunk.start = m_position;
    chunk.end = chunk.start + chunk.size;
    return chunk.end <= limit;
}

bool CRiffReader::Seek(std::uint64_t position) {
    if (position > m_fileSize) {
        return false;
    }
    m_file.clear();
    m_file.seekg(static_cast<std::streamoff>(position));
    m_position = position;
    return static_cast<bool>(m_file);
}
