#pragma once

// Where the program writes a file of its own (a document, a movie, a header): over a regular
// file or under a name that is not taken yet, never into anything else. A pipe would wait for a
// reader, a device would take the bytes or be replaced by a file, and a folder cannot be one.

#include <string>
#include <sys/types.h>
#include <system_error>

namespace OutputPath {

// The error of a name taken by something other than a regular file or a folder: a pipe, a
// device, a socket.
std::error_code NotRegularFile();
// Why a file of this type cannot be written: nothing for a regular file, EISDIR for a
// folder, NotRegularFile() for anything else.
std::error_code CheckType(mode_t mode);
// The same for what a UTF-8 path names, links followed; nothing when the name is free, or
// when it cannot be looked up (writing then fails with its own error).
std::error_code Check(const std::string& path);

} // namespace OutputPath
