#pragma once

// The binary archive that documents are written to and read from: little-endian numbers,
// one-byte booleans and strings with a length prefix of 1, 3, 7 or 15 bytes. Strings are
// code-page-932 bytes; reading also accepts the UTF-16 form, converted to code page 932.
// Every read that runs past the end, or meets a length that cannot be valid, throws
// CArchiveException; nothing is allocated for a length that the remaining bytes cannot hold.
// The lists read from a loading archive share a memory budget that follows its size, within
// the machine's share for a budget (MachineMemory), and take room ahead of their elements only
// as far as the bytes left to read justify (LoadList).

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "platform/WinTypes.h"

class CArchiveException : public std::runtime_error {
public:
    enum Cause { EndOfFile, BadLength };

    CArchiveException(Cause cause, const std::string& what)
        : std::runtime_error(what), m_cause(cause) {}
    Cause GetCause() const { return m_cause; }

private:
    Cause m_cause;
};

class CArchive {
public:
    enum Mode { store, load };
    // Takes the bytes of a storing archive, a block at a time.
    using Sink = std::function<void(const std::uint8_t* bytes, std::size_t size)>;
    static constexpr std::size_t BlockBytes = 64 * 1024;

    // A storing archive appends to the buffer; a loading archive reads it from the start.
    CArchive(std::vector<std::uint8_t>& buffer, Mode mode);
    // A loading archive on bytes that stay where they are while it reads them.
    CArchive(const void* bytes, std::size_t size);
    // A storing archive that gathers its bytes in one block of BlockBytes and hands the
    // block to the sink whenever it is full, so that a large document never lies whole in
    // memory: Flush hands over the rest.
    explicit CArchive(Sink sink);

    bool IsStoring() const { return m_mode == store; }
    bool IsLoading() const { return m_mode == load; }
    // Bytes not yet read (loading).
    std::size_t GetRemaining() const { return m_size - m_position; }
    // Hands the bytes stored so far to the sink (storing through a sink).
    void Flush();
    // Stores through `store` into the file that then replaces the one at a UTF-8 path, block
    // by block as the archive fills (FilePath::WriteAtomically); the error is errno's.
    static std::error_code StoreToFile(const std::string& path,
                                       const std::function<void(CArchive&)>& store);

    CArchive& operator<<(std::int32_t value);
    CArchive& operator<<(std::uint32_t value);
    CArchive& operator<<(float value);
    CArchive& operator<<(bool value);
    CArchive& operator<<(std::uint8_t value);
    CArchive& operator<<(const std::string& value);

    CArchive& operator>>(std::int32_t& value);
    CArchive& operator>>(std::uint32_t& value);
    CArchive& operator>>(float& value);
    // Any non-zero byte reads as true.
    CArchive& operator>>(bool& value);
    CArchive& operator>>(std::uint8_t& value);
    CArchive& operator>>(std::string& value);

    // Throws unless `count` elements of at least `storedBytes` each could still follow and
    // `count` elements of `memoryBytes` each fit in what is left of the memory budget, which
    // they then take: guards list sizes read from a file before anything is allocated for
    // them.
    void CheckCount(std::int32_t count, std::size_t storedBytes, std::size_t memoryBytes);

private:
    void Write(const void* bytes, std::size_t size);
    // Writes that the block cannot take: into the caller's buffer, or after a flush.
    void WriteAside(const void* bytes, std::size_t size);
    void Read(void* bytes, std::size_t size);
    [[noreturn]] static void ThrowEndOfFile();
    // Little-endian unsigned integers of `size` bytes (at most 8).
    void WriteUnsigned(std::uint64_t value, std::size_t size);
    std::uint64_t ReadUnsigned(std::size_t size);
    void WriteStringLength(std::uint64_t length);
    std::uint64_t ReadStringLength(bool& isUtf16);
    // Throws EndOfFile unless `size` more bytes can be read.
    void RequireRemaining(std::uint64_t size) const {
        if (size > GetRemaining()) {
            ThrowEndOfFile();
        }
    }
    void RequireMode(Mode mode) const {
        if (m_mode != mode) {
            ThrowMisuse(mode);
        }
    }
    [[noreturn]] static void ThrowMisuse(Mode mode);

    Mode m_mode;
    // Loading: the bytes, how far they have been read, and the memory budget not yet taken.
    const std::uint8_t* m_data = nullptr;
    std::size_t m_size = 0;
    std::size_t m_position = 0;
    std::uint64_t m_memoryLeft = 0;
    // Storing: the caller's buffer, or the block and the sink it goes to.
    std::vector<std::uint8_t>* m_buffer = nullptr;
    Sink m_sink;
    std::unique_ptr<std::uint8_t[]> m_block;
    std::size_t m_blockUsed = 0;
};

// Lists are read from an archive element by element, in order, once CheckCount passed their
// count: elements beyond the count are dropped first, elements that a list holds already are
// read in place, and a new one is made only when the reading reaches it. A list whose count
// needs at most ListBytesPerByteLeft bytes of memory for each byte still to be read has room
// made for its count at once, where the count is read (MakeRoomForCount); a longer one grows
// geometrically but never beyond its count, so that its memory follows the elements actually
// read rather than the count a file claims.
constexpr std::size_t ListBytesPerByteLeft = 4;

template <typename T> void DropElementsBeyond(std::vector<T>& list, std::size_t count) {
    if (list.size() > count) {
        list.erase(list.begin() + static_cast<std::ptrdiff_t>(count), list.end());
    }
}

// Room for all `count` elements at once, when the bytes left to read make up for them.
template <typename T>
void MakeRoomForCount(const CArchive& archive, std::vector<T>& list, std::size_t count) {
    if (count <= archive.GetRemaining() * ListBytesPerByteLeft / sizeof(T)) {
        list.reserve(count);
    }
}

// The element at `index` of a list of `count` being read, made when the list ends there.
template <typename T> T& ElementToLoad(std::vector<T>& list, std::size_t index, std::size_t count) {
    if (index == list.size()) {
        if (list.size() == list.capacity()) {
            constexpr std::size_t first = 16;
            list.reserve(std::min(count, std::max(first, list.capacity() * 2)));
        }
        list.emplace_back();
    }
    return list[index];
}

// Reads a list of `count` elements, each through `load(element)`.
template <typename T, typename Load>
void LoadList(std::vector<T>& list, std::size_t count, Load load) {
    DropElementsBeyond(list, count);
    for (std::size_t i = 0; i < count; ++i) {
        load(ElementToLoad(list, i, count));
    }
}
