#pragma once

// Takes files (never folders) whose extension is one of a list, compared without regard to
// case; with an empty list, every file.

#include "media/IFilterFile.h"

#include <string>
#include <string_view>
#include <vector>

class CFileOnlyFilter : public IFilterFile {
public:
    // Extensions with their dot, such as ".wav".
    explicit CFileOnlyFilter(std::vector<std::string> extensions = {});

    HRESULT Filter(const WIN32_FIND_DATAA* findData) override;

    // The extension of a code-page-932 file name, from its last dot, as the shell finds it:
    // empty when the name has no dot after its last space or folder separator.
    static std::string_view FindExtension(std::string_view name);

    std::vector<std::string> m_extensions;
};
