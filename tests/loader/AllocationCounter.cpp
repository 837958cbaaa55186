#include "AllocationCounter.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<std::size_t> g_allocatedBytes{0};
} // namespace

// Every other form of new of the standard library calls this one.
void* operator new(std::size_t size) {
    g_allocatedBytes.fetch_add(size, std::memory_order_relaxed);
    if (void* memory = std::malloc(size == 0 ? 1 : size)) {
        return memory;
    }
    throw std::bad_alloc();
}

AllocationCounter::AllocationCounter() : m_start(g_allocatedBytes.load()) {}

std::size_t AllocationCounter::Bytes() const {
    return g_allocatedBytes.load() - m_start;
}
