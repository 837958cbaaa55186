#include "AllocationCounter.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<std::size_t> g_allocatedBytes{0};
} // namespace

// The standard library's other plain forms of new and delete call these; a sanitizer's own
// new and delete would take the memory of the one for the other's.
void* operator new(std::size_t size) {
    g_allocatedBytes.fetch_add(size, std::memory_order_relaxed);
    if (void* memory = std::malloc(size == 0 ? 1 : size)) {
        return memory;
    }
    throw std::bad_alloc();
}

void operator delete(void* memory) noexcept {
    std::free(memory);
}

void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}

AllocationCounter::AllocationCounter() : m_start(g_allocatedBytes.load()) {}

std::size_t AllocationCounter::Bytes() const {
    return g_allocatedBytes.load() - m_start;
}
