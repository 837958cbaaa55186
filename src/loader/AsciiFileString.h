#pragma once

// Reads the lines of a model file's text held in memory. A physical line longer than 8190
// bytes comes back in pieces of at most 8190 bytes, the line feed (when it fits) included,
// as a C stream read with a line buffer of 8192 bytes returns it.

#include "loader/FileStringSeparator.h"

#include <algorithm>
#include <cstddef>
#include <optional>
#include <string_view>

class AsciiFileString : public FileStringSeparator {
public:
    // The text must outlive the reader.
    explicit AsciiFileString(std::string_view text);

    // Reads other text from its start; the tokens' room is kept.
    void Restart(std::string_view text);

    int ReadLine() override;
    bool SkipBytes(long long count) override;
    // Passes over the lines of a chunk up to the first whose first token is "}", which it
    // reads as ReadLine would, and returns the lines passed over. When the file ends first,
    // the position stays where it was (the current tokens may not) and nothing is returned.
    std::optional<std::string_view> TakeChunkLines();
    // Bytes after the last line read.
    std::size_t GetRemaining() const { return m_text.size() - std::min(m_position, m_text.size()); }

    static constexpr std::size_t MaximumLinePiece = 8190;

private:
    // Bytes of the line that starts at the position: up to its line feed, or a piece.
    std::size_t LineLength(std::size_t position) const;
    bool StartsWithClosingBrace(std::string_view line);

    std::string_view m_text;
    std::size_t m_position = 0;
};
