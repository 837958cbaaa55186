#pragma once

// Export of the scene as a C++ header for the movie runtime: one class named after the file,
// whose constructor adds every character with its per-frame motion keys and every frame's
// subtitle. The text is code page 932 with CR LF line ends.

#include <string>
#include <string_view>

class CDirectXGraphics;

// Writes the header to a code-page-932 path, replacing the file there as FilePath::WriteAtomically
// does; false when the file cannot be written or is not a regular file.
bool WriteMovieSceneHeader(const std::string& path, const CDirectXGraphics& graphics);

// The file name of a code-page-932 path without its folder and its last extension; false
// when that is empty.
bool GetFileTitleFromPath(std::string& title, std::string_view path);
