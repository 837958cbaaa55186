#include "loader/StringSeparator.h"

#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <optional>
#include <string>

namespace {

constexpr double PowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                  1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                  1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The numbers of a model file are nearly all short decimals such as -0.99296. Their digits
// and their power of ten are exact as doubles, so one division rounds them correctly, to the
// value that from_chars and atof give; anything else is left to those.
std::optional<double> ShortDecimal(std::string_view token) {
    const bool negative = !token.empty() && token[0] == '-';
    std::uint64_t digits = 0;
    int digitCount = 0;
    int decimals = 0;
    bool point = false;
    for (std::size_t i = negative ? 1 : 0; i < token.size(); ++i) {
        const char c = token[i];
        if (c >= '0' && c <= '9') {
            if (++digitCount > 19) {
                return std::nullopt;
            }
            digits = digits * 10 + static_cast<std::uint64_t>(c - '0');
            decimals += point ? 1 : 0;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            return std::nullopt;
        }
    }
    constexpr std::uint64_t exactDigits = std::uint64_t{1} << 53;
    if (digitCount == 0 || digits > exactDigits ||
        static_cast<std::size_t>(decimals) >= std::size(PowersOfTen)) {
        return std::nullopt;
    }
    const double value = static_cast<double>(digits) / PowersOfTen[decimals];
    return negative ? -value : value;
}

} // namespace

const std::array<StringSeparator::ByteClass, 256>& StringSeparator::ByteClasses() {
    static const std::array<ByteClass, 256> classes = [] {
        std::array<ByteClass, 256> table{};
        for (int byte = 0; byte < 256; ++byte) {
            if (Mbcs::IsLeadByte(static_cast<unsigned char>(byte))) {
                table[static_cast<std::size_t>(byte)] = ByteClass::Lead;
            }
        }
        for (unsigned char c : {'\0', '\n', '\r'}) {
            table[c] = ByteClass::End;
        }
        for (unsigned char c : {' ', '\t'}) {
            table[c] = ByteClass::Blank;
        }
        table[static_cast<unsigned char>('"')] = ByteClass::Quote;
        for (unsigned char c : {'(', ')', ',', ':', ';', '=', '[', ']', '{', '}'}) {
            table[c] = ByteClass::Single;
        }
        return table;
    }();
    return classes;
}

int StringSeparator::Separate(std::string_view line) {
    const std::array<ByteClass, 256>& classes = ByteClasses();
    m_tokens.clear();
    const char* const text = line.data();
    const std::size_t size = line.size();
    std::size_t tokenStart = 0;
    std::size_t tokenLength = 0; // a token is always a run of bytes of the line
    bool inQuote = false;
    auto append = [&](std::size_t position, std::size_t length) {
        if (tokenLength == 0) {
            tokenStart = position;
        }
        tokenLength += length;
    };
    auto flush = [&]() {
        if (tokenLength > 0) {
            m_tokens.emplace_back(text + tokenStart, tokenLength);
            tokenLength = 0;
        }
    };

    std::size_t i = 0;
    while (i < size) {
        switch (classes[static_cast<unsigned char>(text[i])]) {
        case ByteClass::Lead: {
            // The pair stays whole whatever its second byte is; a lead byte at the very end
            // of the text stays alone.
            const std::size_t length = i + 1 < size && text[i + 1] != '\0' ? 2 : 1;
            append(i, length);
            i += length;
            continue;
        }
        case ByteClass::End:
            i = size;
            continue;
        case ByteClass::Blank:
            if (inQuote) {
                append(i, 1);
            } else {
                flush();
            }
            break;
        case ByteClass::Quote:
            if (inQuote) {
                // A closing quote stores its token even when empty.
                m_tokens.emplace_back(text + (tokenLength > 0 ? tokenStart : i), tokenLength);
                tokenLength = 0;
            } else {
                flush();
            }
            inQuote = !inQuote;
            break;
        case ByteClass::Single:
            if (inQuote) {
                append(i, 1);
            } else {
                flush();
                m_tokens.emplace_back(text + i, 1);
            }
            break;
        case ByteClass::Plain: {
            // Most bytes of a model file are plain: take the whole run at once.
            std::size_t end = i + 1;
            while (end < size &&
                   classes[static_cast<unsigned char>(text[end])] == ByteClass::Plain) {
                ++end;
            }
            append(i, end - i);
            i = end;
            continue;
        }
        }
        ++i;
    }
    flush();
    m_nCount = static_cast<int>(m_tokens.size());
    return m_nCount;
}

double StringSeparator::GetDouble(int i) const {
    if (!HasToken(i)) {
        return 0.0;
    }
    // The common decimal forms convert exactly as atof does, only faster; anything else (a
    // plus sign, hexadecimal, out of range, no number at all) goes to atof itself.
    const std::string_view token = GetToken(i);
    if (const std::optional<double> decimal = ShortDecimal(token)) {
        return *decimal;
    }
    const std::size_t digits = !token.empty() && token[0] == '-' ? 1 : 0;
    const bool hexadecimal = token.size() > digits + 1 && token[digits] == '0' &&
                             (token[digits + 1] == 'x' || token[digits + 1] == 'X');
    if (!hexadecimal) {
        double value = 0.0;
        const auto result = std::from_chars(token.data(), token.data() + token.size(), value);
        if (result.ec == std::errc()) {
            return value;
        }
    }
    return std::atof(std::string(token).c_str());
}

int StringSeparator::GetInt(int i) const {
    if (!HasToken(i)) {
        return 0;
    }
    const std::string_view token = GetToken(i);
    int value = 0;
    const auto result = std::from_chars(token.data(), token.data() + token.size(), value);
    if (result.ec == std::errc()) {
        return value;
    }
    // atoi is strtol narrowed to int; taking that path keeps out-of-range values defined.
    return static_cast<int>(std::strtol(std::string(token).c_str(), nullptr, 10));
}
