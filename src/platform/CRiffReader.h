#pragma once

// Reads the chunks of a RIFF file by descending into them and ascending out of them, as the
// multimedia file services do. Every chunk must lie inside its parent: a header or a size
// that runs past the parent's end (or the file's) is not descended into, but for the size of
// a chunk that FindCutChunk finds. The RIFF chunk itself ends at the end of the file when its
// size claims more.

#include "platform/RegularFile.h"
#include "platform/WinTypes.h"

#include <cstddef>
#include <cstdint>
#include <string>

using FOURCC = DWORD;

constexpr FOURCC MakeFourCC(const char (&code)[5]) {
    return static_cast<FOURCC>(static_cast<unsigned char>(code[0])) |
           (static_cast<FOURCC>(static_cast<unsigned char>(code[1])) << 8) |
           (static_cast<FOURCC>(static_cast<unsigned char>(code[2])) << 16) |
           (static_cast<FOURCC>(static_cast<unsigned char>(code[3])) << 24);
}

struct RiffChunk {
    FOURCC id = 0;
    DWORD size = 0;
    // The form type of a RIFF chunk.
    FOURCC formType = 0;
    // File offsets of the chunk's data and of its end (without a padding byte).
    std::uint64_t start = 0;
    std::uint64_t end = 0;
};

class CRiffReader {
public:
    // Larger files are refused unread.
    static constexpr std::uint64_t MaxFileBytes = std::uint64_t{1} << 30;

    // `path` is a UTF-8 file path; only a regular file of at most MaxFileBytes opens.
    bool Open(const std::string& path) { return Open(path, MaxFileBytes); }
    // A file of the program's own, such as a recorded movie, with a limit of its own.
    bool Open(const std::string& path, std::uint64_t maxBytes);

    // Finds the first RIFF chunk at the top level of the file and stops after its form type.
    bool DescendRiff(RiffChunk& chunk);
    // The sub-chunk of `parent` that starts at the current position; stops at its data.
    bool Descend(RiffChunk& chunk, const RiffChunk& parent);
    // The first sub-chunk of `parent` from the current position on whose id is `id`; the
    // chunks before it are passed over.
    bool FindChunk(RiffChunk& chunk, const RiffChunk& parent, FOURCC id);
    // As FindChunk, but the chunk found may run past the parent's end, as the last chunk of a
    // file cut short does: its end is then the parent's, while its size stays the claimed one.
    bool FindCutChunk(RiffChunk& chunk, const RiffChunk& parent, FOURCC id);
    // Moves past the chunk and its padding byte (chunks start on even offsets).
    bool Ascend(const RiffChunk& chunk);
    // The open file, for reading it elsewhere as well.
    const RegularFile& File() const { return m_file; }
    // Reads `bytes` bytes from the current position; false when the file ends first.
    bool Read(void* data, std::size_t bytes);

private:
    // The chunk header at the current position, when the header lies within `limit`.
    bool ReadHeader(RiffChunk& chunk, std::uint64_t limit);
    bool Seek(std::uint64_t position);

    RegularFile m_file;
    std::uint64_t m_position = 0;
};
