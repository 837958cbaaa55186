#pragma once

// Code-page-932 (Shift_JIS as Windows defines it) text rules. Scene, loader and document
// strings are std::string holding code-page-932 bytes; these functions treat them the way
// the multibyte string services of a code-page-932 system do: a lead byte (0x81-0x9F,
// 0xE0-0xFC) and the byte after it form one character, and only ASCII letters have case.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace Mbcs {

constexpr bool IsLeadByte(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

constexpr unsigned char ToAsciiLower(unsigned char byte) {
    return byte >= 'A' && byte <= 'Z' ? static_cast<unsigned char>(byte - 'A' + 'a') : byte;
}

// Equality with ASCII letters folded, byte by byte; the hot path of keyword tests.
inline bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (ToAsciiLower(static_cast<unsigned char>(a[i])) !=
            ToAsciiLower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

// Position of the character after the one at `position` (stops at the end of the text).
std::size_t CharNext(std::string_view text, std::size_t position);
// Position of the character before `position`, scanning from the start of the text so that
// trail bytes are never taken for characters (0 when position is 0).
std::size_t CharPrev(std::string_view text, std::size_t position);

// Exact byte comparison: negative, 0 or positive like strcmp.
int Compare(std::string_view a, std::string_view b);
// Comparison with ASCII letters folded to lower case, byte by byte.
int CompareNoCase(std::string_view a, std::string_view b);

// Lower-cases ASCII letters that are single-byte characters; trail bytes are left untouched.
std::string MakeLower(std::string_view text);
// Index of the first occurrence of `needle` at or after `start` that begins on a character
// boundary, or npos. Characters are counted from `start`, as in a search of the text that
// begins there. An empty needle is found at `start` (when start <= size).
std::size_t Find(std::string_view haystack, std::string_view needle, std::size_t start = 0);

// Conversions with glibc iconv ("CP932"). Input that does not convert gives std::nullopt;
// std::system_error is thrown if iconv does not know the code page.
std::optional<std::string> ToUtf8(std::string_view cp932);
std::optional<std::string> FromUtf8(std::string_view utf8);
// UTF-16 little-endian code units to code page 932; characters that code page 932 cannot
// hold become '?', as the system's own wide-to-multibyte conversion does.
std::string FromUtf16(std::u16string_view utf16);

} // namespace Mbcs
