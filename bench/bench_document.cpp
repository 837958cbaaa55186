// Reading documents whose header claims far more characters than they hold: the time and the
// peak of the memory allocated while the document is read, at two document sizes.

#include "graphics/CDirectXGraphics.h"
#include "media/CDirectSound.h"
#include "media/DocumentFile.h"
#include "platform/CArchive.h"

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <vector>

namespace {
std::atomic<std::size_t> g_allocated{0};
std::atomic<std::size_t> g_peakAllocated{0};
} // namespace

// Every allocation of the program is counted, so that the benchmark can report the peak.
void* operator new(std::size_t size) {
    void* memory = std::malloc(size == 0 ? 1 : size);
    if (memory == nullptr) {
        throw std::bad_alloc();
    }
    const std::size_t allocated = g_allocated += malloc_usable_size(memory);
    std::size_t peak = g_peakAllocated.load();
    while (allocated > peak && !g_peakAllocated.compare_exchange_weak(peak, allocated)) {
    }
    return memory;
}
// The replacement operator new above allocates with malloc, so free is the matching release;
// GCC cannot see that through the replacement and warns.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* memory) noexcept {
    if (memory != nullptr) {
        g_allocated -= malloc_usable_size(memory);
        std::free(memory);
    }
}
void operator delete(void* memory, std::size_t) noexcept {
    operator delete(memory);
}
#pragma GCC diagnostic pop

namespace {

// The document of a new scene, up to where its characters begin.
const std::vector<std::uint8_t> kNewSceneHead = {
    0x66, 0x66, 0xA6, 0x3F, 0x01, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00,
    0x1E, 0x41, 0x5A, 0x00, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01,
    0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x84,
    0x03, 0x00, 0x00, 0x40, 0x01, 0x00, 0x00, 0xF0, 0x00, 0x00, 0x00, 0x00};
constexpr std::size_t CharacterCountAt = 21;
constexpr std::size_t StoredEmptyCharacterBytes = 6;
constexpr std::size_t CharactersThere = 1000;

// A document of `mebibytes` whose character count claims as many characters as its bytes
// could hold; only the first 1,000 are there (zero bytes), the rest is not a record (0xFF).
std::vector<std::uint8_t> ClaimingDocument(std::size_t mebibytes) {
    const std::size_t size = mebibytes << 20;
    std::vector<std::uint8_t> bytes = kNewSceneHead;
    const auto claimed =
        static_cast<std::uint32_t>((size - bytes.size()) / StoredEmptyCharacterBytes);
    for (std::size_t i = 0; i < 4; ++i) {
        bytes[CharacterCountAt + i] = static_cast<std::uint8_t>(claimed >> (8 * i));
    }
    bytes.resize(bytes.size() + CharactersThere * StoredEmptyCharacterBytes, 0x00);
    bytes.resize(size, 0xFF);
    return bytes;
}

void BM_ReadDocumentClaimingCharacters(benchmark::State& state) {
    const std::vector<std::uint8_t> document =
        ClaimingDocument(static_cast<std::size_t>(state.range(0)));
    std::size_t peak = 0;
    std::size_t read = 0;
    for (auto _ : state) {
        CDirectSound sound;
        CDirectXGraphics graphics;
        const std::size_t before = g_allocated.load();
        g_peakAllocated = before;
        try {
            CArchive archive(document.data(), document.size());
            DocumentFile::Serialize(archive, sound, graphics);
            state.SkipWithError("the document was read");
        } catch (const CArchiveException&) {
        }
        peak = std::max(peak, g_peakAllocated.load() - before);
        read = graphics.m_characters.size();
    }
    state.counters["document_MiB"] = static_cast<double>(document.size()) / (1 << 20);
    state.counters["peak_MiB"] = static_cast<double>(peak) / (1 << 20);
    state.counters["characters_read"] = static_cast<double>(read);
}
BENCHMARK(BM_ReadDocumentClaimingCharacters)->Arg(4)->Arg(16)->Unit(benchmark::kMicrosecond);

} // namespace
