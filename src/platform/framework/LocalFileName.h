#pragma once

// Paths as the file system holds them (bytes, UTF-8 by convention) and as Qt holds them.
// Qt's own conversion (QFile::encodeName, QCoreApplication::arguments) replaces the bytes of a
// name that is not UTF-8, such as a Shift-JIS name unpacked from a Windows archive, and the
// file can then no longer be reached. Here every byte outside a valid UTF-8 sequence becomes
// the lone surrogate U+DC80 to U+DCFF, which no valid UTF-8 decodes to, and turns back into
// the same byte: every path survives the way there and back.

#include <QString>

#include <string>
#include <string_view>

namespace LocalFileName {

QString ToQString(std::string_view bytes);
// What the file system takes: UTF-8, with the escaped bytes restored.
std::string FromQString(const QString& path);
// The path made absolute against the current folder and cleaned of "." and ".." steps,
// without going through Qt's conversion.
QString Absolute(const QString& path);

} // namespace LocalFileName
