#include "platform/FileDescriptor.h"

#include <unistd.h>

#include <utility>

FileDescriptor::FileDescriptor(FileDescriptor&& other) noexcept
    : m_descriptor(std::exchange(other.m_descriptor, -1)) {}

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
    if (this != &other) {
        Close();
        m_descriptor = std::exchange(other.m_descriptor, -1);
    }
    return *this;
}

FileDescriptor::~FileDescriptor() {
    Close();
}

bool FileDescriptor::Close() {
    if (m_descriptor < 0) {
        return true;
    }
    // Linux releases the descriptor even when close fails, so it is never closed twice.
    return ::close(std::exchange(m_descriptor, -1)) == 0;
}
