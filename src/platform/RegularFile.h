#pragma once

// A regular file opened for reading by a name that a document or a model file gave. Only a
// regular file of bounded size is ever opened for reading: a pipe, a device or a folder of
// that name fails as a missing file does, without being opened (a terminal multiplexer
// allocates no terminal, a pipe's open never waits for its writer). The checked file is reopened
// through /proc; where /proc is missing, its name is opened again without waiting and without
// taking a terminal, and read only when it still names the file checked.

#include "platform/FileDescriptor.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class RegularFile {
public:
    // A file that is not open: its size is 0 and every read fails.
    RegularFile() = default;

    // Opens an open descriptor's file anew for reading; fails with ENOENT where that cannot be
    // done (Open then opens the name again).
    using Reopen = std::function<FileDescriptor(int descriptor)>;
    // Reopens through the descriptor's entry in /proc/self/fd.
    static FileDescriptor ReopenThroughProc(int descriptor);

    // Opens a UTF-8 path (links followed) when it names a regular file of at most `maxBytes`
    // bytes; the file read is the one whose type and size were checked, so a name swapped in
    // between cannot slip through. The checked file is opened for reading by `reopen`.
    static std::optional<RegularFile> Open(const std::string& path, std::uint64_t maxBytes,
                                           const Reopen& reopen = ReopenThroughProc);

    // The size the file system reported when the file was opened.
    std::uint64_t Size() const { return m_size; }
    // Reads exactly `bytes` bytes from `offset`; false when the file ends first or fails.
    bool ReadAt(std::uint64_t offset, void* data, std::size_t bytes) const;
    // True when nothing follows the reported size. Files in /proc and /sys report 0 bytes and
    // then read on; a file that grew since it was opened reads on too.
    bool EndsAtItsSize() const;

private:
    RegularFile(FileDescriptor descriptor, std::uint64_t size);

    FileDescriptor m_descriptor;
    std::uint64_t m_size = 0;
};
