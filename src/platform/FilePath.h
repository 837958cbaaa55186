#pragma once

// File names as documents and model files store them (code page 932, `\` between folders,
// case as Windows ignores it) turned into paths that open on Linux.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace FilePath {

// Replaces every single-byte `\` by `/`; a trail byte of a double-byte character is never
// taken for a separator.
std::string ToSlashes(std::string_view cp932);
// Replaces every single-byte `/` by `\`.
std::string ToBackslashes(std::string_view cp932);

// The UTF-8 path of a code-page-932 name, relative to `folder` (a UTF-8 folder ending in
// `/`) unless it is absolute. Where the exact path does not exist, each component is matched
// without regard to the case of ASCII letters. Gives the exact path when nothing matches, so
// that opening it fails as usual; std::nullopt when the name does not convert.
std::optional<std::string> Resolve(const std::string& folder, std::string_view cp932Name);

// The whole content of a regular file of at most `maxBytes` bytes at a UTF-8 path, read at the
// size the open file reports (RegularFile); std::nullopt when it is no such file, cannot be
// read, or reads on past its size.
std::optional<std::string> ReadAll(const std::string& path, std::uint64_t maxBytes);

// Replaces a UTF-8 path that names a symbolic link by the path that its links lead to, which
// need not exist yet: a file written through a link goes to the link's target, which is made
// if the link dangles, and the link stays. A path that names no link stays as it is.
std::error_code FollowLinks(std::string& path);

// Replaces the file at a UTF-8 path by `bytes` so that it holds either its old content or all
// of the new (ReplacementFile, flushed to disk before the rename): the saved file keeps the old
// file's permissions, a symbolic link keeps pointing at its target, which takes the bytes, and
// anything but a regular file at the target is refused before a byte is written. On failure
// nothing is left behind and the old file is untouched; the error is errno's or OutputPath's.
std::error_code WriteAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes);
// The same with the content written by `write` to the new file's descriptor: false when it
// could not be, with errno set to the reason (an I/O error when errno is left at 0).
using ContentWriter = std::function<bool(int file)>;
std::error_code WriteAtomically(const std::string& path, const ContentWriter& write);
// Writes all the bytes to an open file, going on after interruptions; false with errno set.
bool WriteFully(int file, const void* bytes, std::size_t size);

} // namespace FilePath
