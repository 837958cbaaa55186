#include "platform/CArchive.h"

#include "platform/FilePath.h"
#include "platform/MachineMemory.h"

#include <cerrno>

#include "platform/Mbcs.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

namespace {
// After a 0xFF length byte, this 16-bit value announces a UTF-16 string instead of a length.
constexpr std::uint64_t kUtf16Tag = 0xFFFE;

// Every element of a document takes at most 8 times its stored size in memory but one: a
// character without key records, 6 bytes stored and over 200 in memory. The budget lets any
// document of keyed characters and tracks read, and beyond its fixed part refuses one of
// millions of empty characters before they are made.
constexpr std::uint64_t kMemoryPerArchiveByte = 8;
constexpr std::uint64_t kFixedMemoryBudget = std::uint64_t{512} << 20;

// The memory that the lists read from an archive of `size` bytes may take together, no more
// than the machine's share for a budget.
std::uint64_t MemoryBudget(std::size_t size) {
    return MachineMemory::Cap(kFixedMemoryBudget + kMemoryPerArchiveByte * size);
}
} // namespace

CArchive::CArchive(std::vector<std::uint8_t>& buffer, Mode mode) : m_mode(mode) {
    if (mode == store) {
        m_buffer = &buffer;
    } else {
        m_data = buffer.data();
        m_size = buffer.size();
        m_memoryLeft = MemoryBudget(m_size);
    }
}

CArchive::CArchive(const void* bytes, std::size_t size)
    : m_mode(load), m_data(static_cast<const std::uint8_t*>(bytes)), m_size(size),
      m_memoryLeft(MemoryBudget(size)) {}

CArchive::CArchive(Sink sink)
    : m_mode(store), m_sink(std::move(sink)), m_block(new std::uint8_t[BlockBytes]) {}

void CArchive::Flush() {
    RequireMode(store);
    if (m_sink && m_blockUsed > 0) {
        m_sink(m_block.get(), m_blockUsed);
        m_blockUsed = 0;
    }
}

// Every field passes here: the common case, a few bytes into the block or from the loaded
// bytes, stays inline.
inline void CArchive::Write(const void* bytes, std::size_t size) {
    if (m_block != nullptr && size <= BlockBytes - m_blockUsed) {
        std::memcpy(m_block.get() + m_blockUsed, bytes, size);
        m_blockUsed += size;
    } else {
        WriteAside(bytes, size);
    }
}

inline void CArchive::Read(void* bytes, std::size_t size) {
    RequireMode(load);
    RequireRemaining(size);
    std::copy_n(m_data + m_position, size, static_cast<std::uint8_t*>(bytes));
    m_position += size;
}

inline void CArchive::WriteUnsigned(std::uint64_t value, std::size_t size) {
    std::uint8_t bytes[8];
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
    Write(bytes, size);
}

inline std::uint64_t CArchive::ReadUnsigned(std::size_t size) {
    std::uint8_t bytes[8];
    Read(bytes, size);
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < size; ++i) {
        value |= static_cast<std::uint64_t>(bytes[i]) << (8 * i);
    }
    return value;
}

CArchive& CArchive::operator<<(std::int32_t value) {
    WriteUnsigned(static_cast<std::uint32_t>(value), 4);
    return *this;
}

CArchive& CArchive::operator<<(std::uint32_t value) {
    WriteUnsigned(value, 4);
    return *this;
}

CArchive& CArchive::operator<<(float value) {
    static_assert(sizeof(float) == sizeof(std::uint32_t), "float must be 32-bit IEEE");
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    WriteUnsigned(bits, 4);
    return *this;
}

CArchive& CArchive::operator<<(bool value) {
    WriteUnsigned(value ? 1 : 0, 1);
    return *this;
}

CArchive& CArchive::operator<<(std::uint8_t value) {
    WriteUnsigned(value, 1);
    return *this;
}

CArchive& CArchive::operator<<(const std::string& value) {
    WriteStringLength(value.size());
    Write(value.data(), value.size());
    return *this;
}

CArchive& CArchive::operator>>(std::int32_t& value) {
    value = static_cast<std::int32_t>(static_cast<std::uint32_t>(ReadUnsigned(4)));
    return *this;
}

CArchive& CArchive::operator>>(std::uint32_t& value) {
    value = static_cast<std::uint32_t>(ReadUnsigned(4));
    return *this;
}

CArchive& CArchive::operator>>(float& value) {
    const auto bits = static_cast<std::uint32_t>(ReadUnsigned(4));
    std::memcpy(&value, &bits, sizeof value);
    return *this;
}

CArchive& CArchive::operator>>(bool& value) {
    value = ReadUnsigned(1) != 0;
    return *this;
}

CArchive& CArchive::operator>>(std::uint8_t& value) {
    value = static_cast<std::uint8_t>(ReadUnsigned(1));
    return *this;
}

CArchive& CArchive::operator>>(std::string& value) {
    bool isUtf16 = false;
    const std::uint64_t length = ReadStringLength(isUtf16);
    // Checked before anything is allocated, so a hostile length cannot exhaust memory.
    RequireRemaining(isUtf16 ? length * 2 : length);
    if (isUtf16) {
        std::u16string units(static_cast<std::size_t>(length), u'\0');
        for (char16_t& unit : units) {
            unit = static_cast<char16_t>(ReadUnsigned(2));
        }
        value = Mbcs::FromUtf16(units);
    } else {
        std::string text(static_cast<std::size_t>(length), '\0');
        Read(text.data(), text.size());
        value = std::move(text);
    }
    return *this;
}

void CArchive::CheckCount(std::int32_t count, std::size_t storedBytes, std::size_t memoryBytes) {
    RequireMode(load);
    if (count < 0) {
        throw CArchiveException(CArchiveException::BadLength, "negative element count");
    }
    // Divides rather than multiplies so that a huge count cannot overflow.
    const auto elements = static_cast<std::uint64_t>(count);
    if (storedBytes != 0 && elements > GetRemaining() / storedBytes) {
        throw CArchiveException(CArchiveException::EndOfFile,
                                "element count exceeds the rest of the archive");
    }
    if (memoryBytes != 0 && elements > m_memoryLeft / memoryBytes) {
        throw CArchiveException(CArchiveException::BadLength,
                                "element count needs more memory than the archive may take");
    }
    m_memoryLeft -= elements * memoryBytes;
}

void CArchive::WriteAside(const void* bytes, std::size_t size) {
    RequireMode(store);
    const auto* first = static_cast<const std::uint8_t*>(bytes);
    if (m_buffer != nullptr) {
        m_buffer->insert(m_buffer->end(), first, first + size);
        return;
    }
    Flush();
    if (size > BlockBytes) {
        m_sink(first, size); // a long string goes on by itself
        return;
    }
    std::memcpy(m_block.get(), first, size);
    m_blockUsed = size;
}

void CArchive::ThrowEndOfFile() {
    throw CArchiveException(CArchiveException::EndOfFile, "unexpected end of archive");
}

// The shortest form that holds the length; each wider form is announced by the all-ones
// value of the narrower one (0xFFFE is left to the UTF-16 tag).
void CArchive::WriteStringLength(std::uint64_t length) {
    if (length < 0xFF) {
        WriteUnsigned(length, 1);
        return;
    }
    WriteUnsigned(0xFF, 1);
    if (length < kUtf16Tag) {
        WriteUnsigned(length, 2);
        return;
    }
    WriteUnsigned(0xFFFF, 2);
    if (length < 0xFFFFFFFF) {
        WriteUnsigned(length, 4);
        return;
    }
    WriteUnsigned(0xFFFFFFFF, 4);
    WriteUnsigned(length, 8);
}

std::uint64_t CArchive::ReadStringLength(bool& isUtf16) {
    isUtf16 = false;
    std::uint64_t length = ReadUnsigned(1);
    if (length < 0xFF) {
        return length;
    }
    length = ReadUnsigned(2);
    if (length == kUtf16Tag) {
        // The length of the UTF-16 string follows, starting again with one byte.
        isUtf16 = true;
        length = ReadUnsigned(1);
        if (length < 0xFF) {
            return length;
        }
        length = ReadUnsigned(2);
    }
    if (length < 0xFFFF) {
        return length;
    }
    length = ReadUnsigned(4);
    if (length < 0xFFFFFFFF) {
        return length;
    }
    length = ReadUnsigned(8);
    if (length > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) {
        throw CArchiveException(CArchiveException::BadLength, "string length exceeds 2 GiB");
    }
    return length;
}

void CArchive::ThrowMisuse(Mode mode) {
    throw std::logic_error(mode == load ? "reading from a storing archive"
                                        : "writing to a loading archive");
}

std::error_code CArchive::StoreToFile(const std::string& path,
                                      const std::function<void(CArchive&)>& store) {
    return FilePath::WriteAtomically(path, [&store](int file) {
        int error = 0;
        CArchive archive([file, &error](const std::uint8_t* bytes, std::size_t size) {
            if (error == 0 && !FilePath::WriteFully(file, bytes, size)) {
                error = errno;
            }
        });
        store(archive);
        archive.Flush();
        errno = error;
        return error == 0;
    });
}
