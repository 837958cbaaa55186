#pragma once

// An open POSIX file descriptor, closed when its owner goes.

class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int descriptor) : m_descriptor(descriptor) {}
    FileDescriptor(FileDescriptor&& other) noexcept;
    FileDescriptor& operator=(FileDescriptor&& other) noexcept;
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor();

    int Get() const { return m_descriptor; }
    bool IsOpen() const { return m_descriptor >= 0; }
    // Closes at once; false with errno set when close reports an error (a write that failed
    // late, on a network file system for one).
    bool Close();

private:
    int m_descriptor = -1;
};
