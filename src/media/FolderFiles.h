#pragma once

// Folder listing and path helpers of the sound object.

#include "platform/WinTypes.h"

#include <string>
#include <vector>

class IFilterFile;

// Replaces `list` with the code-page-932 names of the entries of `folder` (a UTF-8 path)
// that the filter takes (every entry without a filter), sorted by their bytes so that the
// order does not depend on the file system. Names that code page 932 cannot hold are left
// out. E_FAIL when the folder cannot be listed (the list is then empty).
HRESULT ListFolderFiles(const std::string& folder, std::vector<std::string>& list,
                        IFilterFile* filter);

// The path with a '/' after it, unless it already ends with one or is empty.
std::string AppendBackslash(const std::string& path);
