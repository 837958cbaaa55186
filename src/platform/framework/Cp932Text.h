#pragma once

// The scene's, the loader's and the documents' text (code-page-932 bytes) where it meets Qt.

#include "platform/Mbcs.h"

#include <QString>

#include <optional>
#include <string>
#include <string_view>

namespace Cp932Text {

// Bytes that do not convert show as Latin-1, a character a byte: no text vanishes from view.
inline QString ToQString(std::string_view cp932) {
    const std::optional<std::string> utf8 = Mbcs::ToUtf8(cp932);
    return utf8 ? QString::fromStdString(*utf8)
                : QString::fromLatin1(cp932.data(), static_cast<qsizetype>(cp932.size()));
}

// What code page 932 cannot hold becomes '?', as the system's own conversion does.
inline std::string FromQString(const QString& text) {
    return Mbcs::FromUtf16(text.toStdU16String());
}

// Whether code page 932 holds every character of the text, so that FromQString puts in no '?'.
inline bool HoldsAll(const QString& text) {
    return Mbcs::FromUtf8(text.toStdString()).has_value();
}

// A file's path as code-page-932 bytes, only when they lead back to exactly that path: a name
// with a character the code page cannot hold, or holds only as a look-alike, has none.
inline std::optional<std::string> PathFromQString(const QString& path) {
    const std::string utf8 = path.toStdString();
    std::optional<std::string> cp932 = Mbcs::FromUtf8(utf8);
    if (!cp932 || Mbcs::ToUtf8(*cp932) != utf8) {
        return std::nullopt;
    }
    return cp932;
}

} // namespace Cp932Text
