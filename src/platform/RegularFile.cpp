#include "platform/RegularFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

RegularFile::RegularFile(FileDescriptor descriptor, std::uint64_t size)
    : m_descriptor(std::move(descriptor)), m_size(size) {}

std::optional<RegularFile> RegularFile::Open(const std::string& path, std::uint64_t maxBytes) {
    // O_NONBLOCK keeps open() from waiting for the writer of a pipe; reads of a regular file
    // ignore it. O_NOCTTY keeps a terminal device from becoming the controlling one.
    FileDescriptor descriptor(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    struct stat status {};
    if (!descriptor.IsOpen() || ::fstat(descriptor.Get(), &status) != 0 ||
        !S_ISREG(status.st_mode) || status.st_size < 0 ||
        static_cast<std::uint64_t>(status.st_size) > maxBytes) {
        return std::nullopt;
    }
    return RegularFile(std::move(descriptor), static_cast<std::uint64_t>(status.st_size));
}

bool RegularFile::ReadAt(std::uint64_t offset, void* data, std::size_t bytes) const {
    auto* next = static_cast<char*>(data);
    while (bytes > 0) {
        const ssize_t count = ::pread(m_descriptor.Get(), next, bytes, static_cast<off_t>(offset));
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            return false;
        }
        next += count;
        offset += static_cast<std::uint64_t>(count);
        bytes -= static_cast<std::size_t>(count);
    }
    return true;
}

bool RegularFile::EndsAtItsSize() const {
    char byte = 0;
    ssize_t count = 0;
    do {
        count = ::pread(m_descriptor.Get(), &byte, 1, static_cast<off_t>(m_size));
    } while (count < 0 && errno == EINTR);
    return count == 0;
}
