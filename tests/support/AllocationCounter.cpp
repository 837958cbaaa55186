#include "support/AllocationCounter.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<std::size_t> g_allocatedBytes{0};
// The usable size of the blocks not yet freed: delete learns no size, malloc tells it.
std::atomic<std::size_t> g_heldBytes{0};
std::atomic<std::size_t> g_peakHeldBytes{0};
} // namespace

// The standard library's other plain forms of new and delete call these; a sanitizer's own
// new and delete would take the memory of the one for the other's.
void* operator new(std::size_t size) {
    void* memory = std::malloc(size == 0 ? 1 : size);
    if (memory == nullptr) {
        throw std::bad_alloc();
    }
    g_allocatedBytes.fetch_add(size, std::memory_order_relaxed);
    const std::size_t usable = malloc_usable_size(memory);
    const std::size_t held = g_heldBytes.fetch_add(usable, std::memory_order_relaxed) + usable;
    std::size_t peak = g_peakHeldBytes.load(std::memory_order_relaxed);
    while (held > peak && !g_peakHeldBytes.compare_exchange_weak(peak, held)) {
    }
    return memory;
}

void operator delete(void* memory) noexcept {
    if (memory != nullptr) {
        g_heldBytes.fetch_sub(malloc_usable_size(memory), std::memory_order_relaxed);
        std::free(memory);
    }
}

void operator delete(void* memory, std::size_t) noexcept {
    operator delete(memory);
}

AllocationCounter::AllocationCounter()
    : m_allocatedAtStart(g_allocatedBytes.load()), m_heldAtStart(g_heldBytes.load()) {
    g_peakHeldBytes = m_heldAtStart;
}

std::size_t AllocationCounter::Bytes() const {
    return g_allocatedBytes.load() - m_allocatedAtStart;
}

std::size_t AllocationCounter::PeakBytes() const {
    const std::size_t peak = g_peakHeldBytes.load();
    return peak > m_heldAtStart ? peak - m_heldAtStart : 0;
}
