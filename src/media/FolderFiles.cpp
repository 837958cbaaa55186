#include "media/FolderFiles.h"

#include "media/IFilterFile.h"
#include "platform/Mbcs.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <system_error>

namespace {

// The entries of the folder with code-page-932 names, sorted by name.
std::optional<std::vector<WIN32_FIND_DATAA>> ReadEntries(const std::string& folder) {
    std::error_code error;
    std::filesystem::directory_iterator entries(folder, error);
    if (error) {
        return std::nullopt;
    }
    std::vector<WIN32_FIND_DATAA> found;
    // Stepping with an error code: an entry that cannot be read ends the listing quietly.
    for (; !error && entries != std::filesystem::directory_iterator(); entries.increment(error)) {
        const std::filesystem::directory_entry& entry = *entries;
        std::optional<std::string> name = Mbcs::FromUtf8(entry.path().filename().string());
        if (!name) {
            continue;
        }
        std::error_code typeError; // an entry whose type cannot be read is listed as a file
        const DWORD attributes = entry.is_directory(typeError) ? FILE_ATTRIBUTE_DIRECTORY : 0;
        found.push_back(WIN32_FIND_DATAA{attributes, std::move(*name)});
    }
    std::sort(found.begin(), found.end(), [](const WIN32_FIND_DATAA& a, const WIN32_FIND_DATAA& b) {
        return a.cFileName < b.cFileName;
    });
    return found;
}

} // namespace

HRESULT ListFolderFiles(const std::string& folder, std::vector<std::string>& list,
                        IFilterFile* filter) {
    list.clear();
    const std::optional<std::vector<WIN32_FIND_DATAA>> entries =
        ReadEntries(AppendBackslash(folder));
    if (!entries) {
        return E_FAIL;
    }
    for (const WIN32_FIND_DATAA& entry : *entries) {
        const HRESULT verdict = filter != nullptr ? filter->Filter(&entry) : 0;
        if (verdict < 0) {
            break;
        }
        if (verdict == 0) {
            list.push_back(entry.cFileName);
        }
    }
    return S_OK;
}

std::string AppendBackslash(const std::string& path) {
    if (path.empty() || path.back() == '/') {
        return path;
    }
    return path + '/';
}
