#include "platform/framework/LocalFileName.h"

#include <QDir>

#include <climits>
#include <unistd.h>

namespace LocalFileName {
namespace {

constexpr char16_t EscapeBase = 0xDC00; // + a byte of 0x80 to 0xFF
constexpr char32_t Replacement = 0xFFFD;

// The length of the valid UTF-8 sequence at `at` and its code point; 0 when the bytes there
// are not one (overlong forms and encoded surrogates included).
int DecodeSequence(std::string_view bytes, std::size_t at, char32_t& codePoint) {
    const auto lead = static_cast<unsigned char>(bytes[at]);
    int length = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, minimum = 0x80, codePoint = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, minimum = 0x800, codePoint = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, minimum = 0x10000, codePoint = lead & 0x07;
    } else {
        return 0;
    }
    if (bytes.size() - at < static_cast<std::size_t>(length)) {
        return 0;
    }
    for (int i = 1; i < length; ++i) {
        const auto trail = static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
        if ((trail & 0xC0) != 0x80) {
            return 0;
        }
        codePoint = (codePoint << 6) | (trail & 0x3F);
    }
    const bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
    return codePoint < minimum || codePoint > 0x10FFFF || surrogate ? 0 : length;
}

void AppendUtf8(std::string& out, char32_t codePoint) {
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
        return;
    }
    const int length = codePoint < 0x800 ? 2 : codePoint < 0x10000 ? 3 : 4;
    static constexpr unsigned char Leads[] = {0, 0, 0xC0, 0xE0, 0xF0};
    out += static_cast<char>(Leads[length] | (codePoint >> (6 * (length - 1))));
    for (int shift = 6 * (length - 2); shift >= 0; shift -= 6) {
        out += static_cast<char>(0x80 | ((codePoint >> shift) & 0x3F));
    }
}

} // namespace

QString ToQString(std::string_view bytes) {
    QString path;
    path.reserve(static_cast<qsizetype>(bytes.size()));
    for (std::size_t at = 0; at < bytes.size();) {
        char32_t codePoint = 0;
        const int length = DecodeSequence(bytes, at, codePoint);
        if (length == 0) {
            path +=
                QChar(static_cast<char16_t>(EscapeBase + static_cast<unsigned char>(bytes[at])));
            ++at;
            continue;
        }
        path += QString::fromUcs4(&codePoint, 1);
        at += static_cast<std::size_t>(length);
    }
    return path;
}

std::string FromQString(const QString& path) {
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(path.size()));
    for (qsizetype i = 0; i < path.size(); ++i) {
        const char16_t unit = path[i].unicode();
        if (QChar::isHighSurrogate(unit) && i + 1 < path.size() && path[i + 1].isLowSurrogate()) {
            AppendUtf8(bytes, QChar::surrogateToUcs4(unit, path[i + 1].unicode()));
            ++i;
        } else if (unit >= EscapeBase + 0x80 && unit <= EscapeBase + 0xFF) {
            bytes += static_cast<char>(unit - EscapeBase);
        } else {
            AppendUtf8(bytes, QChar::isSurrogate(unit) ? Replacement : char32_t{unit});
        }
    }
    return bytes;
}

QString Absolute(const QString& path) {
    char folder[PATH_MAX];
    if (path.startsWith(u'/') || ::getcwd(folder, sizeof folder) == nullptr) {
        return QDir::cleanPath(path);
    }
    return QDir::cleanPath(ToQString(folder) + u'/' + path);
}

} // namespace LocalFileName
