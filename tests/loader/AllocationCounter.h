#pragma once

// Counts the bytes that operator new hands out in the test program from the counter's
// construction on, so that a test can bound the work of an operation by what it allocates:
// a list that is copied whenever it grows shows as the sum of all its sizes.

#include <cstddef>

class AllocationCounter {
public:
    AllocationCounter();

    std::size_t Bytes() const;

private:
    std::size_t m_start;
};
