// Reading documents whose header claims far more characters than they hold: the time and the
// peak of the memory allocated while the document is read, at two document sizes.

#include "graphics/CDirectXGraphics.h"
#include "media/CDirectSound.h"
#include "media/DocumentFile.h"
#include "platform/CArchive.h"

#include "support/AllocationCounter.h"
#include "support/DocumentBytes.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace {

using namespace DocumentBytes;

constexpr std::size_t CharactersThere = 1000;

// A document of `mebibytes` whose character count claims as many characters as its bytes
// could hold; only the first 1,000 are there (zero bytes), the rest is not a record (0xFF).
Bytes ClaimingDocument(std::size_t mebibytes) {
    const std::size_t size = mebibytes << 20;
    Bytes rest(CharactersThere * Characters.storedBytes, 0x00);
    rest.resize(size - Characters.recordsAt, 0xFF);
    return Claiming(Characters, rest);
}

void BM_ReadDocumentClaimingCharacters(benchmark::State& state) {
    const Bytes document = ClaimingDocument(static_cast<std::size_t>(state.range(0)));
    std::size_t peak = 0;
    std::size_t read = 0;
    for (auto _ : state) {
        CDirectSound sound;
        CDirectXGraphics graphics;
        const AllocationCounter allocated;
        try {
            CArchive archive(document.data(), document.size());
            DocumentFile::Serialize(archive, sound, graphics);
            state.SkipWithError("the document was read");
        } catch (const CArchiveException&) {
        }
        peak = std::max(peak, allocated.PeakBytes());
        read = graphics.m_characters.size();
    }
    state.counters["document_MiB"] = static_cast<double>(document.size()) / (1 << 20);
    state.counters["peak_MiB"] = static_cast<double>(peak) / (1 << 20);
    state.counters["characters_read"] = static_cast<double>(read);
}
BENCHMARK(BM_ReadDocumentClaimingCharacters)->Arg(4)->Arg(16)->Unit(benchmark::kMicrosecond);

} // namespace
