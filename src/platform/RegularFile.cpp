#include "platform/RegularFile.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <utility>

RegularFile::RegularFile(FileDescriptor descriptor, std::uint64_t size)
    : m_descriptor(std::move(descriptor)), m_size(size) {}

namespace {

// Where /proc is missing: the name opened again, so that a pipe's open does not wait and a
// terminal does not become the program's own, and kept only while it names the file `checked`
// still, made blocking again for reading.
FileDescriptor ReopenByName(const std::string& path, const struct stat& checked) {
    FileDescriptor descriptor(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat status {};
    if (!descriptor.IsOpen() || ::fstat(descriptor.Get(), &status) != 0 ||
        status.st_dev != checked.st_dev || status.st_ino != checked.st_ino) {
        return FileDescriptor();
    }
    const int flags = ::fcntl(descriptor.Get(), F_GETFL);
    if (flags < 0 || ::fcntl(descriptor.Get(), F_SETFL, flags & ~O_NONBLOCK) != 0) {
        return FileDescriptor();
    }
    return descriptor;
}

} // namespace

FileDescriptor RegularFile::ReopenThroughProc(int descriptor) {
    // Named in a buffer of its own: nothing is freed after the open, which keeps its errno.
    char entry[32];
    std::snprintf(entry, sizeof entry, "/proc/self/fd/%d", descriptor);
    return FileDescriptor(::open(entry, O_RDONLY | O_CLOEXEC));
}

std::optional<RegularFile> RegularFile::Open(const std::string& path, std::uint64_t maxBytes,
                                             const Reopen& reopen) {
    // An O_PATH descriptor names the file without opening it, so a device's open never runs
    // and a pipe's open never waits. Only once it is known to be a regular file of bounded
    // size is that very file opened for reading, through its descriptor's entry in /proc: a
    // name swapped in between is never followed (without /proc it is opened, but not read).
    const FileDescriptor named(::open(path.c_str(), O_PATH | O_CLOEXEC));
    struct stat status {};
    if (!named.IsOpen() || ::fstat(named.Get(), &status) != 0 || !S_ISREG(status.st_mode) ||
        status.st_size < 0 || static_cast<std::uint64_t>(status.st_size) > maxBytes) {
        return std::nullopt;
    }
    FileDescriptor descriptor = reopen(named.Get());
    if (!descriptor.IsOpen() && errno == ENOENT) {
        descriptor = ReopenByName(path, status);
    }
    if (!descriptor.IsOpen()) {
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
