#include "loader/AsciiFileString.h"

#include <cstring>

AsciiFileString::AsciiFileString(std::string_view text) : m_text(text) {}

void AsciiFileString::Restart(std::string_view text) {
    m_text = text;
    m_position = 0;
}

std::size_t AsciiFileString::LineLength(std::size_t position) const {
    const std::size_t available = std::min(m_text.size() - position, MaximumLinePiece);
    const char* start = m_text.data() + position;
    const void* lineFeed = std::memchr(start, '\n', available);
    return lineFeed != nullptr
               ? static_cast<std::size_t>(static_cast<const char*>(lineFeed) - start) + 1
               : available;
}

int AsciiFileString::ReadLine() {
    if (m_position >= m_text.size()) {
        SetEndOfFile();
        return -1;
    }
    const std::size_t length = LineLength(m_position);
    const std::string_view line = m_text.substr(m_position, length);
    m_position += length;
    return Separate(line);
}

bool AsciiFileString::StartsWithClosingBrace(std::string_view line) {
    const std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos || (line[first] != '}' && line[first] != '"')) {
        return false;
    }
    // A quoted first token may be "}" as well: only the whole split tells.
    return line[first] == '}' || (Separate(line) > 0 && IsToken(0, "}"));
}

std::optional<std::string_view> AsciiFileString::TakeChunkLines() {
    for (std::size_t position = m_position; position < m_text.size();) {
        const std::size_t length = LineLength(position);
        const std::string_view line = m_text.substr(position, length);
        if (StartsWithClosingBrace(line)) {
            const std::string_view lines = m_text.substr(m_position, position - m_position);
            m_position = position + length;
            Separate(line);
            return lines;
        }
        position += length;
    }
    return std::nullopt;
}

bool AsciiFileString::SkipBytes(long long count) {
    if (count < 0) {
        return false; // never move backwards: the same lines would be read again
    }
    // Like a seek on a file, a position past the end is allowed; reading there meets the end.
    const auto forward = static_cast<unsigned long long>(count);
    m_position =
        forward > GetRemaining() ? m_text.size() : m_position + static_cast<std::size_t>(forward);
    return true;
}
