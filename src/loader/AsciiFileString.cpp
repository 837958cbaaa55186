#include "loader/AsciiFileString.h"

#include <cstring>

AsciiFileString::AsciiFileString(std::string_view text) : m_text(text) {}

int AsciiFileString::ReadLine() {
    if (m_position >= m_text.size()) {
        SetEndOfFile();
        return -1;
    }
    const std::size_t available = std::min(m_text.size() - m_position, MaximumLinePiece);
    const char* start = m_text.data() + m_position;
    const void* lineFeed = std::memchr(start, '\n', available);
    const std::size_t length =
        lineFeed != nullptr
            ? static_cast<std::size_t>(static_cast<const char*>(lineFeed) - start) + 1
            : available;
    m_position += length;
    return Separate(std::string_view(start, length));
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
