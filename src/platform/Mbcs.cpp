#include "platform/Mbcs.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>
#include <system_error>

namespace Mbcs {

namespace {

constexpr const char* kCodePage = "CP932";

// One iconv conversion descriptor, closed however the conversion ends.
class Converter {
public:
    Converter(const char* toCode, const char* fromCode)
        : m_descriptor(iconv_open(toCode, fromCode)) {
        if (m_descriptor == reinterpret_cast<iconv_t>(-1)) {
            throw std::system_error(errno, std::generic_category(), "iconv_open");
        }
    }
    ~Converter() { iconv_close(m_descriptor); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts `input` from its front and appends the result to `output`. Returns 0 when all
    // of it converted, otherwise the iconv error (EILSEQ, EINVAL) with `input` starting at the
    // sequence that did not convert.
    int Convert(std::string_view& input, std::string& output) {
        // iconv's interface is not const-correct; it only reads the input.
        char* in = const_cast<char*>(input.data());
        std::size_t inLeft = input.size();
        int error = 0;
        while (inLeft > 0) {
            char chunk[1024];
            char* out = chunk;
            std::size_t outLeft = sizeof chunk;
            const std::size_t result = iconv(m_descriptor, &in, &inLeft, &out, &outLeft);
            const int failure = result == static_cast<std::size_t>(-1) ? errno : 0; // before append
            output.append(chunk, static_cast<std::size_t>(out - chunk));
            if (failure != 0 && failure != E2BIG) {
                error = failure;
                break;
            }
        }
        input.remove_prefix(input.size() - inLeft);
        return error;
    }

private:
    iconv_t m_descriptor;
};

std::optional<std::string> ConvertAll(const char* toCode, const char* fromCode,
                                      std::string_view input) {
    Converter converter(toCode, fromCode);
    std::string output;
    if (converter.Convert(input, output) != 0) {
        return std::nullopt;
    }
    return output;
}

bool IsHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Number of code units of the character starting at `index`: 2 for a surrogate pair.
std::size_t Utf16CharLength(std::u16string_view text, std::size_t index) {
    const bool isPair =
        IsHighSurrogate(text[index]) && index + 1 < text.size() && IsLowSurrogate(text[index + 1]);
    return isPair ? 2 : 1;
}

std::string ToLittleEndianBytes(std::u16string_view text) {
    std::string bytes;
    bytes.reserve(text.size() * 2);
    for (const char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

} // namespace

std::size_t CharNext(std::string_view text, std::size_t position) {
    if (position >= text.size()) {
        return text.size();
    }
    const bool isDoubleByte =
        IsLeadByte(static_cast<unsigned char>(text[position])) && position + 1 < text.size();
    return position + (isDoubleByte ? 2 : 1);
}

std::size_t CharPrev(std::string_view text, std::size_t position) {
    position = std::min(position, text.size());
    std::size_t current = 0;
    while (true) {
        const std::size_t next = CharNext(text, current);
        if (next >= position) {
            return current;
        }
        current = next;
    }
}

int Compare(std::string_view a, std::string_view b) {
    return a.compare(b);
}

int CompareNoCase(std::string_view a, std::string_view b) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const int difference = ToAsciiLower(static_cast<unsigned char>(a[i])) -
                               ToAsciiLower(static_cast<unsigned char>(b[i]));
        if (difference != 0) {
            return difference;
        }
    }
    return a.size() < b.size() ? -1 : static_cast<int>(a.size() > b.size());
}

std::string MakeLower(std::string_view text) {
    std::string lower(text);
    for (std::size_t position = 0; position < lower.size(); position = CharNext(lower, position)) {
        lower[position] =
            static_cast<char>(ToAsciiLower(static_cast<unsigned char>(lower[position])));
    }
    return lower;
}

std::size_t Find(std::string_view haystack, std::string_view needle, std::size_t start) {
    if (start > haystack.size()) {
        return std::string_view::npos;
    }
    for (std::size_t position = start; haystack.size() - position >= needle.size();
         position = CharNext(haystack, position)) {
        if (haystack.compare(position, needle.size(), needle) == 0) {
            return position;
        }
    }
    return std::string_view::npos;
}

std::optional<std::string> ToUtf8(std::string_view cp932) {
    return ConvertAll("UTF-8", kCodePage, cp932);
}

std::optional<std::string> FromUtf8(std::string_view utf8) {
    return ConvertAll(kCodePage, "UTF-8", utf8);
}

std::string FromUtf16(std::u16string_view utf16) {
    const std::string bytes = ToLittleEndianBytes(utf16);
    std::string_view remaining = bytes;
    std::string output;
    Converter converter(kCodePage, "UTF-16LE");
    while (converter.Convert(remaining, output) != 0) {
        const std::size_t index = (bytes.size() - remaining.size()) / 2;
        output += '?';
        remaining.remove_prefix(Utf16CharLength(utf16, index) * 2);
    }
    return output;
}

} // namespace Mbcs
