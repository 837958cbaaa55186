#include "platform/CRiffReader.h"

#include <algorithm>
#include <optional>
#include <utility>

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

bool CRiffReader::Open(const std::string& path, std::uint64_t maxBytes) {
    std::optional<RegularFile> file = RegularFile::Open(path, maxBytes);
    m_file = file ? std::move(*file) : RegularFile();
    m_position = 0;
    return file.has_value();
}

bool CRiffReader::DescendRiff(RiffChunk& chunk) {
    if (!Seek(0)) {
        return false;
    }
    while (ReadHeader(chunk, Unlimited)) {
        // Writers often get the RIFF size wrong; the file's end bounds it instead.
        chunk.end = std::min(chunk.end, m_file.Size());
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
    return ReadHeader(chunk, parent.end) && chunk.end <= parent.end;
}

bool CRiffReader::FindChunk(RiffChunk& chunk, const RiffChunk& parent, FOURCC id) {
    return FindCutChunk(chunk, parent, id) && chunk.end == chunk.start + chunk.size;
}

// A chunk passed over that runs past the parent leaves nothing more to descend into.
bool CRiffReader::FindCutChunk(RiffChunk& chunk, const RiffChunk& parent, FOURCC id) {
    while (ReadHeader(chunk, parent.end)) {
        if (chunk.id == id) {
            chunk.end = std::min(chunk.end, parent.end);
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
    const std::uint64_t size = m_file.Size();
    if (bytes > size - std::min(m_position, size) || !m_file.ReadAt(m_position, data, bytes)) {
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
    return true;
}

bool CRiffReader::Seek(std::uint64_t position) {
    if (position > m_file.Size()) {
        return false;
    }
    m_position = position;
    return true;
}
