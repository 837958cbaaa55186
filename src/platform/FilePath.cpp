#include "platform/FilePath.h"

#include "platform/Mbcs.h"
#include "platform/RegularFile.h"

#include <filesystem>
#include <system_error>

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
    std::string content(static_cast<std::size_t>(file->Size()), '\0');
    if (!file->ReadAt(0, content.data(), content.size()) || !file->EndsAtItsSize()) {
        return std::nullopt;
    }
    return content;
}

} // namespace FilePath
