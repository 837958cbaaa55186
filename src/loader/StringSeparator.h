#pragma once

// Splits one line of a model file into tokens: blanks separate, double quotes group (and are
// dropped), each of ( ) , : ; = [ ] { } is a token of its own, and a code-page-932 lead byte
// always takes the byte after it into the same token. Tokens keep the line's bytes exactly:
// each is a view of the line, so the line must outlive its tokens.

#include "platform/Mbcs.h"

#include <array>
#include <cstddef>
#include <string_view>
#include <vector>

class StringSeparator {
public:
    virtual ~StringSeparator() = default;

    // Replaces the current tokens by those of the line and returns their count. The line's
    // text ends at its first NUL, CR or LF.
    int Separate(std::string_view line);

    // Token count of the current line: 0 for a line without tokens, -1 after the end of the
    // file.
    int GetCount() const { return m_nCount; }
    // Token i, which must be below the count.
    std::string_view GetToken(int i) const { return m_tokens[static_cast<std::size_t>(i)]; }
    // Token i equals the keyword, ASCII letters compared without case; false past the count.
    bool IsToken(int i, std::string_view keyword) const {
        return HasToken(i) && Mbcs::EqualNoCase(GetToken(i), keyword);
    }
    // Token i as the C library's atof reads it; 0 past the count.
    double GetDouble(int i) const;
    float GetFloat(int i) const { return static_cast<float>(GetDouble(i)); }
    // Token i as the C library's atoi reads it; 0 past the count.
    int GetInt(int i) const;

protected:
    void SetEndOfFile() { m_nCount = -1; }

private:
    enum class ByteClass : unsigned char { Plain, Lead, End, Blank, Quote, Single };

    bool HasToken(int i) const { return i >= 0 && i < m_nCount; }
    // How Separate treats each byte; made once for every separator.
    static const std::array<ByteClass, 256>& ByteClasses();

    std::vector<std::string_view> m_tokens;
    int m_nCount = 0;
};
