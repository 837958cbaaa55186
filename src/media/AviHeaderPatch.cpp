#include "media/AviHeaderPatch.h"

#include <cstdint>
#include <fstream>
#include <limits>

namespace {

constexpr DWORD StreamHeaderBytes = 56;
constexpr DWORD BitmapHeaderBytes = 40;
constexpr DWORD PcmFormatBytes = 16;
constexpr DWORD ExtendedFormatBytes = 18;
constexpr std::uint64_t ChunkHeaderBytes = 8;
constexpr std::uint64_t SizeOffset = 4;
// Offsets inside AVISTREAMHEADER and BITMAPINFOHEADER.
constexpr std::uint64_t HandlerOffset = 4;
constexpr std::uint64_t PriorityOffset = 12;
constexpr std::uint64_t SuggestedBufferSizeOffset = 36;
constexpr std::uint64_t ImageSizeOffset = 20;

class AviPatcher {
public:
    explicit AviPatcher(const std::string& path)
        : m_file(path, std::ios::in | std::ios::out | std::ios::binary) {}

    bool Good() const { return m_file.good(); }

    void WriteWord(std::uint64_t offset, std::uint16_t value) { Write(offset, value, 2); }
    void WriteDoubleWord(std::uint64_t offset, DWORD value) { Write(offset, value, 4); }

    // Moves `bytes` bytes at `from` two bytes further on.
    void MoveTwoBytesOn(std::uint64_t from, std::uint64_t bytes) {
        std::string moved(bytes, '\0');
        m_file.seekg(static_cast<std::streamoff>(from));
        m_file.read(moved.data(), static_cast<std::streamsize>(bytes));
        m_file.seekp(static_cast<std::streamoff>(from + 2));
        m_file.write(moved.data(), static_cast<std::streamsize>(bytes));
    }

    // Whether the two bytes at `offset` are zero.
    bool ZeroWordAt(std::uint64_t offset) {
        char bytes[2] = {1, 1};
        m_file.seekg(static_cast<std::streamoff>(offset));
        m_file.read(bytes, sizeof bytes);
        return m_file.good() && bytes[0] == 0 && bytes[1] == 0;
    }

private:
    void Write(std::uint64_t offset, DWORD value, int bytes) {
        char littleEndian[4];
        for (int i = 0; i < bytes; ++i) {
            littleEndian[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
        }
        m_file.seekp(static_cast<std::streamoff>(offset));
        m_file.write(littleEndian, bytes);
    }

    std::fstream m_file;
};

// The next LIST chunk of `parent` whose list type is `type`, the reader after the type.
bool FindList(CRiffReader& reader, const RiffChunk& parent, FOURCC type, RiffChunk& list) {
    while (reader.FindChunk(list, parent, MakeFourCC("LIST"))) {
        FOURCC listType = 0;
        if (list.size >= 4 && reader.Read(&listType, sizeof listType) && listType == type) {
            return true;
        }
        if (!reader.Ascend(list)) {
            return false;
        }
    }
    return false;
}

// The chunk after the format whose last two bytes are spare: the reserved index space.
bool FindSpareChunk(CRiffReader& reader, AviPatcher& patcher, const RiffChunk& list,
                    RiffChunk& spare) {
    while (reader.Descend(spare, list)) {
        const bool reserved = spare.id == MakeFourCC("JUNK") || spare.id == MakeFourCC("indx");
        if (reserved && spare.size >= 2 && spare.size % 2 == 0 &&
            patcher.ZeroWordAt(spare.end - 2)) {
            return true;
        }
        if (!reader.Ascend(spare)) {
            return false;
        }
    }
    return false;
}

// A 16-byte format grows to 18 bytes; what follows it up to the spare chunk moves on.
bool ExtendWaveFormat(CRiffReader& reader, AviPatcher& patcher, const RiffChunk& list,
                      const RiffChunk& format) {
    RiffChunk spare;
    if (format.size != PcmFormatBytes || !reader.Ascend(format) ||
        !FindSpareChunk(reader, patcher, list, spare)) {
        return false;
    }
    patcher.MoveTwoBytesOn(format.end, spare.end - 2 - format.end);
    patcher.WriteWord(format.end, 0); // cbSize
    patcher.WriteDoubleWord(format.start - SizeOffset, ExtendedFormatBytes);
    patcher.WriteDoubleWord(spare.start - ChunkHeaderBytes + 2 + SizeOffset, spare.size - 2);
    return true;
}

bool PatchStream(CRiffReader& reader, AviPatcher& patcher, const RiffChunk& list,
                 const AviStreamFields& fields) {
    RiffChunk header;
    if (!reader.FindChunk(header, list, MakeFourCC("strh")) || header.size < StreamHeaderBytes) {
        return false;
    }
    if (fields.handler) {
        patcher.WriteDoubleWord(header.start + HandlerOffset, *fields.handler);
    }
    if (fields.priority) {
        patcher.WriteWord(header.start + PriorityOffset, *fields.priority);
    }
    if (fields.suggestedBufferSize) {
        patcher.WriteDoubleWord(header.start + SuggestedBufferSizeOffset,
                                *fields.suggestedBufferSize);
    }
    RiffChunk format;
    if (!reader.Ascend(header) || !reader.FindChunk(format, list, MakeFourCC("strf"))) {
        return false;
    }
    if (fields.imageSize) {
        if (format.size < BitmapHeaderBytes) {
            return false;
        }
        patcher.WriteDoubleWord(format.start + ImageSizeOffset, *fields.imageSize);
    }
    return !fields.extendedWaveFormat || ExtendWaveFormat(reader, patcher, list, format);
}

} // namespace

bool PatchAviStreamHeaders(const std::string& path, const std::vector<AviStreamFields>& streams) {
    CRiffReader reader;
    RiffChunk riff;
    RiffChunk headers;
    // A recording grows past the limit of the files that documents name.
    if (!reader.Open(path, std::numeric_limits<std::uint64_t>::max()) ||
        !reader.DescendRiff(riff) || riff.formType != MakeFourCC("AVI ") ||
        !FindList(reader, riff, MakeFourCC("hdrl"), headers)) {
        return false;
    }
    AviPatcher patcher(path);
    for (const AviStreamFields& fields : streams) {
        RiffChunk list;
        if (!FindList(reader, headers, MakeFourCC("strl"), list) ||
            !PatchStream(reader, patcher, list, fields) || !reader.Ascend(list)) {
            return false;
        }
    }
    return patcher.Good();
}
