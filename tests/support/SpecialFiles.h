#pragma once

// Files that a document or a model may name but that must never be read: a pipe whose writer
// stays open, and a file far larger than it takes on disk.

#include <gtest/gtest.h>

#include <cstdint>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
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
