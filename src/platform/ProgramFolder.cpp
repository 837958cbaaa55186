#include "platform/ProgramFolder.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// The folder where /proc is not mounted: the current one until the start is remembered.
std::string g_startFolder = "./";

std::string WithSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/') {
        folder += '/';
    }
    return folder;
}

// The folder of `file`, links resolved, when the shell could run it: an executable regular file.
std::optional<std::string> FolderOfProgramFile(const fs::path& file) {
    struct stat status {};
    if (::stat(file.c_str(), &status) != 0 || !S_ISREG(status.st_mode) ||
        ::access(file.c_str(), X_OK) != 0) {
        return std::nullopt;
    }
    std::error_code error;
    const fs::path real = fs::canonical(file, error);
    if (error) {
        return std::nullopt;
    }
    return WithSlash(real.parent_path().string());
}

} // namespace

std::string GetProgramFolder() {
    std::error_code error;
    const fs::path executable = fs::read_symlink("/proc/self/exe", error);
    return error ? g_startFolder : WithSlash(executable.parent_path().string());
}

void RememberProgramStart(const char* argv0) {
    std::error_code error;
    const fs::path current = fs::current_path(error);
    const char* searchPath = std::getenv("PATH");
    g_startFolder =
        FindProgramFolder(argv0 != nullptr ? argv0 : "", searchPath != nullptr ? searchPath : "",
                          error ? "." : current.string());
}

std::string FindProgramFolder(const std::string& argv0, const std::string& searchPath,
                              const std::string& currentFolder) {
    const fs::path current(currentFolder);
    if (argv0.find('/') != std::string::npos) {
        return FolderOfProgramFile(current / argv0).value_or(WithSlash(currentFolder));
    }
    for (std::size_t start = 0; !argv0.empty() && start <= searchPath.size();) {
        const std::size_t end = std::min(searchPath.find(':', start), searchPath.size());
        // An empty entry stands for the current folder, as it does for the shell.
        const fs::path entry = current / searchPath.substr(start, end - start);
        if (const std::optional<std::string> folder = FolderOfProgramFile(entry / argv0)) {
            return *folder;
        }
        start = end + 1;
    }
    return WithSlash(currentFolder);
}
