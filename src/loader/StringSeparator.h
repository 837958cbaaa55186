#pragma once

// Splits one line of a model file into tokens: blanks separate, double quotes group (and are
// dropped), each of ( ) , : ; = [ ] { } is a token of its own, and a code-page-932 lead byte
// always takes the byte after it into the same token. Tokens keep the line's bytes exactly.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class StringSeparator {
public:
    StringSeparator();
    virtual ~StringSeparator() = default;

    // Replaces the current tokens by those of the line and returns their count. The line's
    // text ends at its first NUL, CR or LF.
    int Separate(std::string_view line);

    // Token count of the current line: 0 for a line without tokens, -1 after the end of the
    // file.
    int GetCount() const { return m_nCount; }
    // Token i as a NUL-terminated text; valid until the next line is split.
    const char* GetToken(int i) const { return m_text.data() + m_tokens[Index(i)].offset; }
    std::string_view GetTokenView(int i) const;
    // Token i equals the keyword, ASCII letters compared without case; false past the count.
    bool IsToken(int i, const char* keyword) const;
    // Token i as the C library's atof reads it; 0 past the count.
    double GetDouble(int i) const;
    float GetFloat(int i) const { return static_cast<float>(GetDouble(i)); }
    // Token i as the C library's atoi reads it; 0 past the count.
    int GetInt(int i) const;

protected:
    void SetEndOfFile() { m_nCount = -1; }

private:
    struct Token {
        std::size_t offset;
        std::size_t length;
    };

    static std::size_t Index(int i) { return static_cast<std::size_t>(i); }
    bool HasToken(int i) const { return i >= 0 && i < m_nCount; }
    void StoreToken(std::string_view text);

    std::vector<Token> m_tokens;
    std::string m_text; // every token of the line, each followed by a NUL
    int m_nCount = 0;
    bool m_singleCharacterToken[128] = {};
    char m_quote = '"';
};
