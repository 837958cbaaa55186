#include "media/CFileOnlyFilter.h"

#include "platform/Mbcs.h"

#include <algorithm>
#include <utility>

CFileOnlyFilter::CFileOnlyFilter(std::vector<std::string> extensions)
    : m_extensions(std::move(extensions)) {}

HRESULT CFileOnlyFilter::Filter(const WIN32_FIND_DATAA* findData) {
    if (findData == nullptr) {
        return E_INVALIDARG;
    }
    if ((findData->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return 1;
    }
    if (m_extensions.empty()) {
        return 0;
    }
    const std::string_view extension = FindExtension(findData->cFileName);
    const bool listed =
        std::any_of(m_extensions.begin(), m_extensions.end(), [extension](const std::string& e) {
            return Mbcs::CompareNoCase(e, extension) == 0;
        });
    return listed ? 0 : 1;
}

std::string_view CFileOnlyFilter::FindExtension(std::string_view name) {
    std::size_t dot = std::string_view::npos;
    for (std::size_t i = 0; i < name.size(); i = Mbcs::CharNext(name, i)) {
        if (name[i] == '.') {
            dot = i;
        } else if (name[i] == ' ' || name[i] == '\\' || name[i] == '/') {
            dot = std::string_view::npos;
        }
    }
    return dot == std::string_view::npos ? std::string_view() : name.substr(dot);
}
