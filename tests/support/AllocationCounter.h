#pragma once

// Counts what operator new hands out in the program from the counter's construction on: the
// bytes allocated in all, so that a test can bound the work of an operation by what it
// allocates (a list that is copied whenever it grows shows as the sum of all its sizes), and
// the most bytes held at once. A program that links AllocationCounter.cpp has its operator
// new and delete replaced by counting ones.

#include <cstddef>

class AllocationCounter {
public:
    // The peak of the bytes held starts again from what is held now, for every counter.
    AllocationCounter();

    // The bytes allocated since the construction.
    std::size_t Bytes() const;
    // The most bytes held at once since the construction (or a later counter's), beyond
    // those held then.
    std::size_t PeakBytes() const;

private:
    std::size_t m_allocatedAtStart;
    std::size_t m_heldAtStart;
};
