#include "platform/FilePath.h"

#include "platform/Mbcs.h"

#include <cstdio>
#include <filesystem>
#include <memory>
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

std::optional<std::string> ReadAll(const std::string& path) {
    std::error_code error;
    if (!fs::is_regular_file(path, error)) {
        return std::nullopt;
    }
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                               &std::fclose);
    if (!file) {
        return std::nullopt;
    }
    std::string content;
    char buffer[1 << 16];
    std::size_t count = 0;
    while ((count = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
        content.append(buffer, count);
    }
    if (std::ferror(file.get()) != 0) {
        return std::nullopt;
    }
    return content;
}

} // namespace FilePath
