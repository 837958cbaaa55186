#pragma once

// Decides which entries of a folder listing are taken (see ListFolderFiles).

#include "platform/WinTypes.h"

#include <string>

constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;

// What the listing knows of one entry: its attributes and its code-page-932 name.
struct WIN32_FIND_DATAA {
    DWORD dwFileAttributes = 0;
    std::string cFileName;
};

class IFilterFile {
public:
    virtual ~IFilterFile() = default;
    // Negative: an error, the listing stops; 0: the entry is taken; positive: it is skipped.
    virtual HRESULT Filter(const WIN32_FIND_DATAA* findData) = 0;
};
