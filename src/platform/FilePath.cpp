#include "platform/FilePath.h"

#include "platform/FileDescriptor.h"
#include "platform/Mbcs.h"
#include "platform/OutputPath.h"
#include "platform/RegularFile.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <new>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace FilePath {
namespace {

std::string ReplaceSingleByte(std::string_view cp932, char from, char to) {
    std::string result(cp932);
    for (std::size_t i = 0; i < result.size(); i = Mbcs::CharNext(result, i)) {
        if (result[i] == from) {
            result[i] = to;
        }
    }
    return result;
}

bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
    return Mbcs::CompareNoCase(a, b) == 0;
}

// Walks the path component by component from its root, taking the first directory entry
// that matches each component without regard to case.
std::optional<fs::path> MatchIgnoringCase(const fs::path& path) {
    fs::path matched = path.root_path();
    std::error_code error;
    for (const fs::path& component : path.relative_path()) {
        const fs::path exact = matched / component;
        if (fs::exists(exact, error)) {
            matched = exact;
            continue;
        }
        std::optional<fs::path> found;
        fs::directory_iterator entries(matched.empty() ? "." : matched, error);
        for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
            if (SameNameIgnoringCase(entries->path().filename().string(), component.string())) {
                found = entries->path();
                break;
            }
        }
        if (!found) {
            return std::nullopt;
        }
        matched = *found;
    }
    return matched;
}

std::error_code LastError() {
    return std::error_code(errno, std::generic_category());
}

// Creates a new file of an unguessable name beside `name` in the folder, with O_EXCL and
// O_NOFOLLOW so that nothing planted there (a file, a link) is ever opened. The mode 0666
// gets the umask and the folder's default ACL, as any new file does.
FileDescriptor CreateTemporaryBeside(int folder, const std::string& name, std::string& temporary) {
    constexpr int Attempts = 16;
    constexpr std::size_t SuffixLength = 24; // ".saving-" and 16 hex digits
    std::random_device random;
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        char suffix[SuffixLength + 1];
        std::snprintf(suffix, sizeof suffix, ".saving-%08x%08x", random(), random());
        temporary = name.substr(0, NAME_MAX - SuffixLength) + suffix;
        FileDescriptor file(::openat(folder, temporary.c_str(),
                                     O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (file.IsOpen() || errno != EEXIST) {
            return file;
        }
    }
    return FileDescriptor();
}

} // namespace

bool WriteFully(int file, const void* bytes, std::size_t size) {
    const auto* data = static_cast<const std::uint8_t*>(bytes);
    std::size_t written = 0;
    while (written < size) {
        const ssize_t count = ::write(file, data + written, size - written);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            errno = count == 0 ? EIO : errno;
            return false;
        }
        written += static_cast<std::size_t>(count);
    }
    return true;
}

namespace {

// The permissions of the regular file that a save replaces; none for a new file. A file that
// may not be written is not replaced, as an editor's save refuses it, and nothing but a
// regular file is replaced at all.
std::error_code GetReplacedMode(int folder, const std::string& name, std::optional<mode_t>& mode) {
    struct stat old {};
    if (::fstatat(folder, name.c_str(), &old, AT_SYMLINK_NOFOLLOW) != 0) {
        return errno == ENOENT ? std::error_code() : LastError();
    }
    if (const std::error_code error = OutputPath::CheckType(old.st_mode)) {
        return error;
    }
    if (::faccessat(folder, name.c_str(), W_OK, AT_EACCESS) != 0) {
        return LastError();
    }
    mode = old.st_mode & 07777;
    return std::error_code();
}

// A file system that cannot flush (EINVAL) has nothing to flush.
bool Sync(int descriptor) {
    return ::fsync(descriptor) == 0 || errno == EINVAL;
}

std::error_code FillAndClose(FileDescriptor& file, std::optional<mode_t> mode,
                             const ContentWriter& write) {
    errno = 0;
    if (!write(file.Get())) {
        // A writer that failed without saying why has still failed.
        return errno != 0 ? LastError() : std::make_error_code(std::errc::io_error);
    }
    if ((mode && ::fchmod(file.Get(), *mode) != 0) || !Sync(file.Get()) || !file.Close()) {
        return LastError();
    }
    return std::error_code();
}

// Writes the bytes to a new file beside `name` and renames it over `name`; removes the new
// file on any failure.
std::error_code ReplaceInFolder(int folder, const std::string& name, const ContentWriter& write) {
    std::optional<mode_t> mode;
    if (const std::error_code error = GetReplacedMode(folder, name, mode)) {
        return error;
    }
    std::string temporary;
    FileDescriptor file = CreateTemporaryBeside(folder, name, temporary);
    if (!file.IsOpen()) {
        return LastError();
    }
    std::error_code error = FillAndClose(file, mode, write);
    if (!error && ::renameat(folder, temporary.c_str(), folder, name.c_str()) != 0) {
        error = LastError();
    }
    if (error) {
        ::unlinkat(folder, temporary.c_str(), 0);
        return error;
    }
    // The rename is durable only once the folder is.
    return Sync(folder) ? std::error_code() : LastError();
}

} // namespace

std::string ToSlashes(std::string_view cp932) {
    return ReplaceSingleByte(cp932, '\\', '/');
}

std::string ToBackslashes(std::string_view cp932) {
    return ReplaceSingleByte(cp932, '/', '\\');
}

std::optional<std::string> Resolve(const std::string& folder, std::string_view cp932Name) {
    const std::optional<std::string> name = Mbcs::ToUtf8(ToSlashes(cp932Name));
    if (!name) {
        return std::nullopt;
    }
    const fs::path path =
        fs::path(*name).is_absolute() ? fs::path(*name) : fs::path(folder) / *name;
    std::error_code error;
    if (fs::exists(path, error)) {
        return path.string();
    }
    const std::optional<fs::path> matched = MatchIgnoringCase(path.lexically_normal());
    return matched ? matched->string() : path.string();
}

std::optional<std::string> ReadAll(const std::string& path, std::uint64_t maxBytes) {
    const std::optional<RegularFile> file = RegularFile::Open(path, maxBytes);
    if (!file) {
        return std::nullopt;
    }
    // A file that does not fit in the memory left fails as a file that cannot be read.
    std::string content;
    try {
        content.resize(static_cast<std::size_t>(file->Size()));
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    if (!file->ReadAt(0, content.data(), content.size()) || !file->EndsAtItsSize()) {
        return std::nullopt;
    }
    return content;
}

std::error_code WriteAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    return WriteAtomically(
        path, [&bytes](int file) { return WriteFully(file, bytes.data(), bytes.size()); });
}

std::error_code FollowLinks(std::string& path) {
    // As many links as the kernel follows in one path.
    constexpr int MostLinks = 40;
    for (int link = 0; link < MostLinks; ++link) {
        std::error_code error;
        if (!fs::is_symlink(fs::symlink_status(path, error))) {
            return std::error_code(); // no link: the path is the target, present or not
        }
        const fs::path target = fs::read_symlink(path, error);
        if (error) {
            return error;
        }
        // A relative target is relative to the link's folder; an absolute one replaces it.
        path = (fs::path(path).parent_path() / target).string();
    }
    return std::make_error_code(std::errc::too_many_symbolic_link_levels);
}

std::error_code WriteAtomically(const std::string& path, const ContentWriter& write) {
    std::string target = path;
    if (const std::error_code error = FollowLinks(target)) {
        return error;
    }
    const fs::path targetPath(target);
    const std::string name = targetPath.filename().string();
    if (name.empty() || name == "." || name == "..") {
        return std::make_error_code(std::errc::is_a_directory);
    }
    const fs::path parent = targetPath.parent_path();
    const FileDescriptor folder(
        ::open(parent.empty() ? "." : parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.IsOpen()) {
        return LastError();
    }
    return ReplaceInFolder(folder.Get(), name, write);
}

} // namespace FilePath
