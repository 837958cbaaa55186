#include "loader/StringSeparator.h"

#include "platform/Mbcs.h"

#include <charconv>
#include <cstdlib>
#include <cstring>

StringSeparator::StringSeparator() {
    for (unsigned char c : {'(', ')', ',', ':', ';', '=', '[', ']', '{', '}'}) {
        m_singleCharacterToken[c] = true;
    }
}

void StringSeparator::StoreToken(std::string_view text) {
    m_tokens.push_back(Token{m_text.size(), text.size()});
    m_text.append(text);
    m_text.push_back('\0');
}

int StringSeparator::Separate(std::string_view line) {
    m_tokens.clear();
    m_text.clear();
    std::size_t tokenStart = 0;
    std::size_t tokenLength = 0; // tokens are always contiguous bytes of the line
    bool inQuote = false;
    auto flush = [&](bool evenIfEmpty) {
        if (tokenLength > 0 || evenIfEmpty) {
            StoreToken(line.substr(tokenStart, tokenLength));
        }
        tokenLength = 0;
    };
    auto append = [&](std::size_t position, std::size_t length) {
        if (tokenLength == 0) {
            tokenStart = position;
        }
        tokenLength += length;
    };

    std::size_t i = 0;
    const std::size_t size = line.size();
    while (i < size) {
        const auto c = static_cast<unsigned char>(line[i]);
        if (Mbcs::IsLeadByte(c)) {
            // The pair stays whole whatever its second byte is; a lead byte at the very end
            // of the text stays alone.
            const std::size_t length = i + 1 < size && line[i + 1] != '\0' ? 2 : 1;
            append(i, length);
            i += length;
            continue;
        }
        if (c == '\0' || c == '\n' || c == '\r') {
            break;
        }
        if (c == ' ' || c == '\t') {
            if (inQuote) {
                append(i, 1);
            } else {
                flush(false);
            }
        } else if (c == static_cast<unsigned char>(m_quote)) {
            flush(inQuote); // a closing quote stores even an empty token
            inQuote = !inQuote;
        } else if (c < 128 && m_singleCharacterToken[c] && !inQuote) {
            flush(false);
            StoreToken(line.substr(i, 1));
        } else {
            append(i, 1);
        }
        ++i;
    }
    flush(false);
    m_nCount = static_cast<int>(m_tokens.size());
    return m_nCount;
}

std::string_view StringSeparator::GetTokenView(int i) const {
    const Token& token = m_tokens[Index(i)];
    return std::string_view(m_text.data() + token.offset, token.length);
}

bool StringSeparator::IsToken(int i, const char* keyword) const {
    return HasToken(i) && Mbcs::CompareNoCase(GetTokenView(i), keyword) == 0;
}

double StringSeparator::GetDouble(int i) const {
    if (!HasToken(i)) {
        return 0.0;
    }
    // The common decimal forms convert exactly as atof does, only faster; anything else (a
    // plus sign, hexadecimal, out of range, no number at all) goes to atof itself.
    const std::string_view token = GetTokenView(i);
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
    return std::atof(GetToken(i));
}

int StringSeparator::GetInt(int i) const {
    if (!HasToken(i)) {
        return 0;
    }
    const std::string_view token = GetTokenView(i);
    int value = 0;
    const auto result = std::from_chars(token.data(), token.data() + token.size(), value);
    if (result.ec == std::errc()) {
        return value;
    }
    return std::atoi(GetToken(i));
}
