#include "media/MovieSceneHeader.h"

#include "graphics/CDirectXGraphics.h"
#include "platform/FilePath.h"
#include "platform/Mbcs.h"

#include <cerrno>
#include <cstdio>
#include <optional>

#include <fcntl.h>
#include <unistd.h>

bool GetFileTitleFromPath(std::string& title, std::string_view path) {
    std::size_t start = 0;
    std::size_t end = path.size();
    bool dotFound = false;
    // Backwards by characters, so that a trail byte is never taken for a separator or a dot.
    for (std::size_t i = path.size(); i > 0;) {
        i = Mbcs::CharPrev(path, i);
        if (path[i] == '\\' || path[i] == '/') {
            start = Mbcs::CharNext(path, i);
            break;
        }
        if (path[i] == '.' && !dotFound) {
            end = i;
            dotFound = true;
        }
    }
    if (start >= end) {
        return false;
    }
    title.assign(path.substr(start, end - start));
    return true;
}

namespace {

// False when a character's lines fail.
bool WriteText(std::FILE* out, const std::string& title, const CDirectXGraphics& graphics) {
    std::fprintf(out, "#include \"stdafx.h\"\r\n#include \"MorluLibrary.h\"\r\n\r\n");
    std::fprintf(out, "class C%s : public CMovie\r\n{\r\npublic:\r\n\tC%s()\r\n\t{\r\n",
                 title.c_str(), title.c_str());
    // Characters in the order they were imported: the newest is at the front of the list.
    for (int i = graphics.GetCharacterCount() - 1; i >= 0; --i) {
        std::fprintf(out, "\t\tAddCharacter();\r\n");
        if (!graphics.GetCharacter(i)->WriteMotions(out)) {
            return false;
        }
    }
    for (std::size_t i = 0; i < graphics.m_subtitles.size(); ++i) {
        std::fprintf(out, "\t\tAddSubtitle(\"%s\");\r\n",
                     graphics.GetSubtitle(static_cast<int>(i)).c_str());
    }
    std::fprintf(out, "\t}\r\n};\r\n");
    return true;
}

// Writes the text through a stream of its own on the file; false, with errno set, when any of
// it could not be written.
bool WriteToFile(int file, const std::string& title, const CDirectXGraphics& graphics) {
    const int copy = ::fcntl(file, F_DUPFD_CLOEXEC, 0);
    std::FILE* out = copy >= 0 ? ::fdopen(copy, "wb") : nullptr;
    if (out == nullptr) {
        if (copy >= 0) {
            ::close(copy);
        }
        return false;
    }
    const bool written =
        WriteText(out, title, graphics) && std::fflush(out) == 0 && std::ferror(out) == 0;
    const int error = errno; // the reason of a failed write, which closing must not hide
    const bool closed = std::fclose(out) == 0;
    if (!written) {
        errno = error;
    }
    return written && closed;
}

} // namespace

// The header replaces the file as a document does: a failed export leaves the old one whole.
bool WriteMovieSceneHeader(const std::string& path, const CDirectXGraphics& graphics) {
    const std::optional<std::string> nativePath = Mbcs::ToUtf8(FilePath::ToSlashes(path));
    if (!nativePath) {
        return false;
    }
    std::string title;
    GetFileTitleFromPath(title, path); // an empty title still makes the class name "C"
    return !FilePath::WriteAtomically(*nativePath,
                                      [&](int file) { return WriteToFile(file, title, graphics); });
}
