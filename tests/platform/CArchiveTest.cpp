#include "platform/CArchive.h"

#include "support/InjectedMachineMemory.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

// Records the largest single allocation so that tests can prove a hostile length was
// rejected before memory was reserved for it.
namespace {
std::atomic<std::size_t> g_largestAllocation{0};
} // namespace

void* operator new(std::size_t size) {
    std::size_t largest = g_largestAllocation.load();
    while (size > largest && !g_largestAllocation.compare_exchange_weak(largest, size)) {
    }
    if (void* memory = std::malloc(size == 0 ? 1 : size)) {
        return memory;
    }
    throw std::bad_alloc();
}
// The replacement operator new above allocates with malloc, so free is the matching release;
// GCC cannot see that through the replacement and warns.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}
#pragma GCC diagnostic pop

namespace {

using Bytes = std::vector<std::uint8_t>;

template <typename T> Bytes Stored(const T& value) {
    Bytes buffer;
    CArchive archive(buffer, CArchive::store);
    archive << value;
    return buffer;
}

template <typename T> T Loaded(Bytes buffer) {
    CArchive archive(buffer, CArchive::load);
    T value{};
    archive >> value;
    EXPECT_EQ(archive.GetRemaining(), 0u);
    return value;
}

std::string LoadedString(const Bytes& buffer) {
    return Loaded<std::string>(buffer);
}

CArchiveException::Cause LoadStringFailure(Bytes buffer) {
    CArchive archive(buffer, CArchive::load);
    std::string value;
    try {
        archive >> value;
    } catch (const CArchiveException& error) {
        return error.GetCause();
    }
    ADD_FAILURE() << "reading the string did not throw";
    return CArchiveException::EndOfFile;
}

Bytes Concat(Bytes head, const std::string& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

// "字幕" as UTF-16LE code units.
const Bytes kSubtitleUtf16 = {0x57, 0x5B, 0x55, 0x5E};
const std::string kSubtitleCp932 = "\x8E\x9A\x96\x8B";

TEST(CArchiveTest, StoresIntegersLittleEndian) {
    EXPECT_EQ(Stored(std::int32_t{0x12345678}), (Bytes{0x78, 0x56, 0x34, 0x12}));
    EXPECT_EQ(Stored(std::int32_t{-2}), (Bytes{0xFE, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(Stored(COLORREF{0x00FF8040}), (Bytes{0x40, 0x80, 0xFF, 0x00}));
    EXPECT_EQ(Stored(std::uint8_t{0xAB}), (Bytes{0xAB}));
}

TEST(CArchiveTest, StoresFloatAsIeeeBits) {
    EXPECT_EQ(Stored(1.3f), (Bytes{0x66, 0x66, 0xA6, 0x3F}));
    EXPECT_EQ(Stored(-2.0f), (Bytes{0x00, 0x00, 0x00, 0xC0}));
}

TEST(CArchiveTest, StoresBoolAsOneByte) {
    EXPECT_EQ(Stored(true), (Bytes{0x01}));
    EXPECT_EQ(Stored(false), (Bytes{0x00}));
}

TEST(CArchiveTest, LoadsNumbers) {
    EXPECT_EQ(Loaded<std::int32_t>({0xFE, 0xFF, 0xFF, 0xFF}), -2);
    EXPECT_EQ(Loaded<std::int32_t>({0x00, 0x00, 0x00, 0x80}), INT32_MIN);
    EXPECT_EQ(Loaded<COLORREF>({0x40, 0x80, 0xFF, 0x00}), 0x00FF8040u);
    EXPECT_EQ(Loaded<float>({0x66, 0x66, 0xA6, 0x3F}), 1.3f);
    EXPECT_EQ(Loaded<std::uint8_t>({0xAB}), 0xAB);
}

TEST(CArchiveTest, AnyNonZeroByteLoadsAsTrue) {
    EXPECT_FALSE(Loaded<bool>({0x00}));
    EXPECT_TRUE(Loaded<bool>({0x01}));
    EXPECT_TRUE(Loaded<bool>({0x02}));
    EXPECT_TRUE(Loaded<bool>({0xFF}));
}

TEST(CArchiveTest, StoringAppendsToTheBuffer) {
    Bytes buffer = {0x99};
    CArchive archive(buffer, CArchive::store);
    archive << std::uint8_t{1} << std::string("ab");
    EXPECT_EQ(buffer, (Bytes{0x99, 0x01, 0x02, 'a', 'b'}));
}

TEST(CArchiveTest, StringLengthPrefixUsesShortestForm) {
    const struct {
        std::size_t length;
        Bytes prefix;
    } cases[] = {
        {0, {0x00}},
        {254, {0xFE}},
        {255, {0xFF, 0xFF, 0x00}},
        {300, {0xFF, 0x2C, 0x01}},
        {65533, {0xFF, 0xFD, 0xFF}},
        {65534, {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
        {70000, {0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.length);
        std::string text(testCase.length, 'x');
        if (!text.empty()) {
            text.back() = 'y';
        }
        const Bytes stored = Stored(text);
        ASSERT_EQ(stored.size(), testCase.prefix.size() + testCase.length);
        EXPECT_EQ(Bytes(stored.begin(), stored.begin() + testCase.prefix.size()), testCase.prefix);
        EXPECT_EQ(LoadedString(stored), text);
    }
}

TEST(CArchiveTest, StringBytesAreStoredUnchanged) {
    const std::string text("a\0\x95\x5C", 4);
    EXPECT_EQ(Stored(text), (Bytes{0x04, 'a', 0x00, 0x95, 0x5C}));
    EXPECT_EQ(LoadedString(Stored(text)), text);
}

TEST(CArchiveTest, LoadsUtf16StringAsCodePage932) {
    Bytes buffer = {0xFF, 0xFE, 0xFF, 0x02};
    buffer.insert(buffer.end(), kSubtitleUtf16.begin(), kSubtitleUtf16.end());
    EXPECT_EQ(LoadedString(buffer), kSubtitleCp932);
    // "ＭＳ"
    EXPECT_EQ(LoadedString({0xFF, 0xFE, 0xFF, 0x02, 0x2D, 0xFF, 0x33, 0xFF}), "\x82\x6C\x82\x72");
}

TEST(CArchiveTest, LoadsUtf16StringWithWideLengths) {
    Bytes sixteenBit = {0xFF, 0xFE, 0xFF, 0xFF, 0x2C, 0x01};
    for (int i = 0; i < 300; ++i) {
        sixteenBit.insert(sixteenBit.end(), {'z', 0x00});
    }
    EXPECT_EQ(LoadedString(sixteenBit), std::string(300, 'z'));

    Bytes thirtyTwoBit = {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0x02, 0x00, 0x00, 0x00};
    thirtyTwoBit.insert(thirtyTwoBit.end(), kSubtitleUtf16.begin(), kSubtitleUtf16.end());
    EXPECT_EQ(LoadedString(thirtyTwoBit), kSubtitleCp932);

    Bytes sixtyFourBit = {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                          0xFF, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    sixtyFourBit.insert(sixtyFourBit.end(), kSubtitleUtf16.begin(), kSubtitleUtf16.end());
    EXPECT_EQ(LoadedString(sixtyFourBit), kSubtitleCp932);
}

TEST(CArchiveTest, LoadsHandBuiltWideLengthForms) {
    EXPECT_EQ(LoadedString(Concat({0xFF, 0x03, 0x00}, "abc")), "abc");
    EXPECT_EQ(LoadedString(Concat({0xFF, 0xFF, 0xFF, 0x03, 0x00, 0x00, 0x00}, "abc")), "abc");
    const Bytes sixtyFourBit = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x03,
                                0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    EXPECT_EQ(LoadedString(Concat(sixtyFourBit, "abc")), "abc");
}

TEST(CArchiveTest, SixtyFourBitLengthAboveInt32MaxIsBadLength) {
    const Bytes justAbove = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00,
                             0x00, 0x00, 0x80, 0x00, 0x00, 0x00, 0x00};
    EXPECT_EQ(LoadStringFailure(Concat(justAbove, "abc")), CArchiveException::BadLength);
    const Bytes utf16Huge = {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                             0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(LoadStringFailure(utf16Huge), CArchiveException::BadLength);
}

TEST(CArchiveTest, HostileStringLengthThrowsWithoutAllocating) {
    const Bytes hostile[] = {
        Concat({0xFF, 0xFF, 0xFF, 0xF0, 0xFF, 0xFF, 0xFF}, "ab"),
        Concat({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0, 0, 0, 0},
               "ab"),
        // UTF-16 units count two bytes each: 3 units do not fit in 5 bytes.
        Concat({0xFF, 0xFE, 0xFF, 0x03}, "abcde"),
        Concat({0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xF0, 0xFF, 0xFF, 0xFF}, "ab"),
    };
    for (const Bytes& buffer : hostile) {
        g_largestAllocation = 0;
        EXPECT_EQ(LoadStringFailure(buffer), CArchiveException::EndOfFile);
        EXPECT_LT(g_largestAllocation.load(), 4096u);
    }
}

TEST(CArchiveTest, EveryTruncationThrows) {
    Bytes buffer;
    {
        CArchive archive(buffer, CArchive::store);
        archive << std::int32_t{-7} << 2.5f << true << COLORREF{0x123456} << std::string(300, 's')
                << std::uint8_t{9} << std::string("end");
    }
    // Read from a view that ends early, with the rest of the bytes still behind it.
    const auto readAll = [&buffer](std::size_t size) {
        CArchive archive(buffer.data(), size);
        std::int32_t number = 0;
        float real = 0.0f;
        bool flag = false;
        COLORREF color = 0;
        std::string longText;
        std::uint8_t byte = 0;
        std::string shortText;
        archive >> number >> real >> flag >> color >> longText >> byte >> shortText;
        return shortText;
    };
    EXPECT_EQ(readAll(buffer.size()), "end");
    for (std::size_t size = 0; size < buffer.size(); ++size) {
        SCOPED_TRACE(size);
        EXPECT_THROW(readAll(size), CArchiveException);
    }
}

TEST(CArchiveTest, ReadingPastTheEndIsEndOfFile) {
    Bytes buffer = {0x01, 0x02};
    CArchive archive(buffer, CArchive::load);
    std::int32_t value = 0;
    try {
        archive >> value;
        FAIL() << "no exception";
    } catch (const CArchiveException& error) {
        EXPECT_EQ(error.GetCause(), CArchiveException::EndOfFile);
    }
}

TEST(CArchiveTest, GetRemainingCountsUnreadBytes) {
    Bytes buffer = {0x01, 0x02, 0x03, 0x04, 0x05};
    CArchive archive(buffer, CArchive::load);
    EXPECT_EQ(archive.GetRemaining(), 5u);
    std::uint8_t byte = 0;
    archive >> byte;
    EXPECT_EQ(archive.GetRemaining(), 4u);
}

TEST(CArchiveTest, CheckCountAcceptsCountsThatFit) {
    Bytes buffer(12);
    CArchive archive(buffer, CArchive::load);
    EXPECT_NO_THROW(archive.CheckCount(0, 4, 1000));
    EXPECT_NO_THROW(archive.CheckCount(3, 4, 1000));
    EXPECT_NO_THROW(archive.CheckCount(INT32_MAX, 0, 0));
}

TEST(CArchiveTest, CheckCountRejectsNegativeAndOversizedCounts) {
    Bytes buffer(12);
    CArchive archive(buffer, CArchive::load);
    try {
        archive.CheckCount(-1, 4, 0);
        FAIL() << "no exception";
    } catch (const CArchiveException& error) {
        EXPECT_EQ(error.GetCause(), CArchiveException::BadLength);
    }
    EXPECT_THROW(archive.CheckCount(4, 4, 0), CArchiveException);
    EXPECT_THROW(archive.CheckCount(13, 1, 0), CArchiveException);
    // count * minimumBytes wraps around to a small number in size_t arithmetic.
    EXPECT_THROW(archive.CheckCount(4, SIZE_MAX / 4 + 1, 0), CArchiveException);
}

// The lists of a small archive may take 512 MiB and 8 bytes per archive byte together, or a
// quarter of the machine's memory where that is less.
TEST(CArchiveTest, CheckCountTakesFromOneMemoryBudgetForAllLists) {
    const struct {
        std::uint64_t machine;
        std::size_t budget;
    } machines[] = {{std::uint64_t{16} << 30, (std::size_t{512} << 20) + 8 * 12},
                    {std::uint64_t{1} << 30, std::size_t{256} << 20}};
    for (const auto& machine : machines) {
        SCOPED_TRACE(machine.machine);
        const InjectedMachineMemory injected(machine.machine);
        const std::size_t budget = machine.budget;
        Bytes buffer(12);
        CArchive archive(buffer, CArchive::load);
        try {
            archive.CheckCount(2, 0, budget / 2 + 1);
            FAIL() << "no exception";
        } catch (const CArchiveException& error) {
            EXPECT_EQ(error.GetCause(), CArchiveException::BadLength);
        }
        EXPECT_NO_THROW(archive.CheckCount(2, 0, budget / 4));
        EXPECT_NO_THROW(archive.CheckCount(1, 0, budget / 2));
        EXPECT_THROW(archive.CheckCount(1, 0, 1), CArchiveException);
        EXPECT_THROW(archive.CheckCount(INT32_MAX, 0, SIZE_MAX), CArchiveException);
    }
}

// 160 bytes of 40 elements: counts of up to 160 elements (4 bytes of memory for each byte left)
// have room made at once, longer ones grow as their elements arrive.
TEST(CArchiveTest, ListsGrowAsTheirElementsArriveAndNeverPastTheirCount) {
    Bytes buffer;
    for (std::uint8_t i = 1; i <= 40; ++i) {
        buffer.insert(buffer.end(), {i, 0, 0, 0});
    }
    const auto load = [&buffer](std::vector<std::int32_t>& list, std::size_t count) {
        CArchive archive(buffer, CArchive::load);
        MakeRoomForCount(archive, list, count);
        LoadList(list, count, [&archive](std::int32_t& value) { archive >> value; });
    };

    std::vector<std::int32_t> claimed;
    EXPECT_THROW(load(claimed, 1000000), CArchiveException);
    EXPECT_EQ(claimed.size(), 41u); // the element that found no bytes is made
    EXPECT_LE(claimed.capacity(), 64u);
    EXPECT_EQ(claimed[39], 40);

    std::vector<std::int32_t> justified;
    EXPECT_THROW(load(justified, 160), CArchiveException);
    EXPECT_EQ(justified.size(), 41u);
    EXPECT_EQ(justified.capacity(), 160u);
    std::vector<std::int32_t> unjustified;
    EXPECT_THROW(load(unjustified, 161), CArchiveException);
    EXPECT_LE(unjustified.capacity(), 64u);

    std::vector<std::int32_t> exact;
    load(exact, 40);
    EXPECT_EQ(exact.capacity(), 40u);

    std::vector<std::int32_t> longer = {-1, -2, -3, -4};
    load(longer, 2);
    EXPECT_EQ(longer, (std::vector<std::int32_t>{1, 2}));
    load(longer, 0);
    EXPECT_TRUE(longer.empty());
}

TEST(CArchiveTest, MisusedDirectionIsLogicError) {
    Bytes buffer = {0x00, 0x00, 0x00, 0x00};
    CArchive storing(buffer, CArchive::store);
    std::int32_t value = 0;
    EXPECT_THROW(storing >> value, std::logic_error);
    CArchive loading(buffer, CArchive::load);
    EXPECT_THROW(loading << value, std::logic_error);
    EXPECT_THROW(loading.Flush(), std::logic_error);
    EXPECT_EQ(buffer.size(), 4u);
}

// Stores the same values as a document would hold them: many small fields, and one string
// longer than a block.
void StoreFields(CArchive& archive, const std::string& longText) {
    for (std::int32_t i = 0; i < 30000; ++i) {
        archive << i << 0.5f * static_cast<float>(i) << (i % 3 == 0) << std::string(i % 7, 'm');
        if (i == 20000) {
            archive << longText;
        }
    }
}

TEST(CArchiveTest, StoringThroughASinkHandsOverWholeBlocksThenTheRest) {
    const std::string longText(CArchive::BlockBytes + 1000, 'L');
    Bytes expected;
    {
        CArchive archive(expected, CArchive::store);
        StoreFields(archive, longText);
    }
    Bytes handed;
    std::vector<std::size_t> sizes;
    CArchive archive([&](const std::uint8_t* bytes, std::size_t size) {
        handed.insert(handed.end(), bytes, bytes + size);
        sizes.push_back(size);
    });

    archive << std::int32_t{1};
    archive.Flush();
    archive.Flush(); // nothing left: nothing handed
    EXPECT_EQ(sizes, std::vector<std::size_t>{4});
    handed.clear();
    sizes.clear();

    StoreFields(archive, longText);
    EXPECT_LT(handed.size(), expected.size()); // the last block is still held
    archive.Flush();

    EXPECT_EQ(handed, expected);
    for (std::size_t size : sizes) {
        EXPECT_TRUE(size <= CArchive::BlockBytes || size == longText.size()) << size;
    }
    EXPECT_LE(sizes.size(), expected.size() / CArchive::BlockBytes + 3); // blocks, not fields
}

TEST(CArchiveTest, LoadsBytesWhereTheyLie) {
    const std::string document = std::string("\x05\x00\x00\x00\x02", 5) + "ab";
    CArchive archive(document.data(), document.size());
    std::int32_t number = 0;
    std::string text;

    archive >> number >> text;

    EXPECT_EQ(number, 5);
    EXPECT_EQ(text, "ab");
    EXPECT_EQ(archive.GetRemaining(), 0u);
}

} // namespace
