#pragma once

// Files that a document or a model may name but that must never be read, nor written to by a
// save: a pipe whose writer stays open, a device, and a file far larger than it takes on disk.

#include <gtest/gtest.h>

#include <cstdint>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

// A named pipe holding `content`. Its writer stays open, so a reader that reads on to the end
// waits for ever; opening it for reading alone would wait for a writer too.
class FilledFifo {
public:
    FilledFifo(const std::string& path, const std::string& content) {
        EXPECT_EQ(::mkfifo(path.c_str(), 0600), 0);
        m_writer = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        EXPECT_GE(m_writer, 0);
        EXPECT_EQ(::write(m_writer, content.data(), content.size()),
                  static_cast<ssize_t>(content.size()));
    }
    ~FilledFifo() { ::close(m_writer); }
    FilledFifo(const FilledFifo&) = delete;
    FilledFifo& operator=(const FilledFifo&) = delete;

private:
    int m_writer = -1;
};

// A file of `size` bytes that starts with `head` and holds nothing on disk after it.
inline void WriteSparse(const std::string& path, const std::string& head, std::uint64_t size) {
    const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ASSERT_GE(file, 0);
    EXPECT_EQ(::write(file, head.data(), head.size()), static_cast<ssize_t>(head.size()));
    EXPECT_EQ(::ftruncate(file, static_cast<off_t>(size)), 0);
    ::close(file);
}

// A character device at `path` that takes whatever is written to it, as /dev/null does: a node
// of its own where nodes can be made (as root, who could replace /dev/null itself), else a link
// to /dev/null.
inline void MakeNullDevice(const std::string& path) {
    if (::mknod(path.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) {
        EXPECT_EQ(::symlink("/dev/null", path.c_str()), 0);
    }
}

// The type of what `path` names, links followed (S_IFREG, S_IFIFO, S_IFCHR...); 0 for nothing.
inline mode_t FileType(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 ? status.st_mode & S_IFMT : 0;
}
