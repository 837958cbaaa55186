#pragma once

#include "loader/StringSeparator.h"

#include <cstddef>

// A separator that takes its lines from a file.
class FileStringSeparator : public StringSeparator {
public:
    // Reads and splits the next line; the token count, or -1 at the end of the file.
    virtual int ReadLine() = 0;
    // Passes over `count` bytes directly after the last line read; false when the position
    // could not move forward by exactly that many bytes.
    virtual bool SkipBytes(long long count) = 0;
};
