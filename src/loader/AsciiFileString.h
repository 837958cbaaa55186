#pragma once

// Reads the lines of a model file's text held in memory. A physical line longer than 8190
// bytes comes back in pieces of at most 8190 bytes, the line feed (when it fits) included,
// as a C stream read with a line buffer of 8192 bytes returns it.

#include "loader/FileStringSeparator.h"

#include <algorithm>
#include <cstddef>
#include <string_view>

class AsciiFileString : public FileStringSeparator {
public:
    // The text must outlive the reader.
    explicit AsciiFileString(std::string_view text);

    int ReadLine() override;
    bool SkipBytes(long long count) override;
    // Bytes after the last line read.
    std::size_t GetRemaining() const { return m_text.size() - std::min(m_position, m_text.size()); }

    static constexpr std::size_t MaximumLinePiece = 8190;

private:
    std::string_view m_text;
    std::size_t m_position = 0;
};
