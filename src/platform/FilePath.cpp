#include "platform/FilePath.h"

#include "platform/Mbcs.h"
#include "platform/RegularFile.h"
#include "platform/ReplacementFile.h"

#include <cerrno>
#include <filesystem>
#include <new>
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
    ReplacementFile file(path);
    if (file.Error()) {
        return file.Error();
    }
    errno = 0;
    if (!write(file.Descriptor())) {
        // A writer that failed without saying why has still failed.
        return errno != 0 ? LastError() : std::make_error_code(std::errc::io_error);
    }
    return file.Commit();
}

} // namespace FilePath
