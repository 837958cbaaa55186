#include "platform/Mbcs.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr auto npos = std::string_view::npos;

// "表" in code page 932: its trail byte is a backslash.
const std::string kHyou = "\x95\x5C";
// "ア" in code page 932: its trail byte is an 'A'.
const std::string kKatakanaA = "\x83\x41";
const std::string kWavSoundCp932 = "WAV\x83\x54\x83\x45\x83\x93\x83\x68";
const std::string kWavSoundUtf8 = "WAVサウンド";

TEST(MbcsTest, LeadByteRangesAtTheirBoundaries) {
    EXPECT_FALSE(Mbcs::IsLeadByte(0x7F));
    EXPECT_FALSE(Mbcs::IsLeadByte(0x80));
    EXPECT_TRUE(Mbcs::IsLeadByte(0x81));
    EXPECT_TRUE(Mbcs::IsLeadByte(0x9F));
    EXPECT_FALSE(Mbcs::IsLeadByte(0xA0));
    EXPECT_FALSE(Mbcs::IsLeadByte(0xDF));
    EXPECT_TRUE(Mbcs::IsLeadByte(0xE0));
    EXPECT_TRUE(Mbcs::IsLeadByte(0xFC));
    EXPECT_FALSE(Mbcs::IsLeadByte(0xFD));
    EXPECT_FALSE(Mbcs::IsLeadByte(0xFF));
}

TEST(MbcsTest, CharNextStepsOverDoubleByteCharacters) {
    const std::string text = "a" + kHyou + "b";
    EXPECT_EQ(Mbcs::CharNext(text, 0), 1u);
    EXPECT_EQ(Mbcs::CharNext(text, 1), 3u);
    EXPECT_EQ(Mbcs::CharNext(text, 3), 4u);
    EXPECT_EQ(Mbcs::CharNext(text, 4), 4u);
    EXPECT_EQ(Mbcs::CharNext(text, 10), 4u);
}

TEST(MbcsTest, CharNextTreatsFinalLeadByteAsOneCharacter) {
    EXPECT_EQ(Mbcs::CharNext("a\x95", 1), 2u);
}

TEST(MbcsTest, CharPrevStepsBackOverDoubleByteCharacters) {
    const std::string text = "a" + kHyou + "b";
    EXPECT_EQ(Mbcs::CharPrev(text, 4), 3u);
    EXPECT_EQ(Mbcs::CharPrev(text, 3), 1u);
    EXPECT_EQ(Mbcs::CharPrev(text, 1), 0u);
    EXPECT_EQ(Mbcs::CharPrev(text, 0), 0u);
    EXPECT_EQ(Mbcs::CharPrev(text, 10), 3u);
}

TEST(MbcsTest, CharPrevDoesNotTakeTrailBytesForLeadBytes) {
    // 0x83 0x83 is "ャ"; the last 0x83 stands alone. Looking backwards, every byte could be
    // a lead byte; only a scan from the start finds the boundaries.
    const std::string text = "\x83\x83\x83";
    EXPECT_EQ(Mbcs::CharPrev(text, 3), 2u);
    EXPECT_EQ(Mbcs::CharPrev(text, 2), 0u);
    const std::string backslash = kHyou + "\\";
    EXPECT_EQ(Mbcs::CharPrev(backslash, 3), 2u);
    EXPECT_EQ(Mbcs::CharPrev(backslash, 2), 0u);
}

TEST(MbcsTest, CompareIsExactAndUnsigned) {
    EXPECT_EQ(Mbcs::Compare("abc", "abc"), 0);
    EXPECT_NE(Mbcs::Compare("abc", "ABC"), 0);
    EXPECT_LT(Mbcs::Compare("ab", "abc"), 0);
    EXPECT_GT(Mbcs::Compare("\x81", "a"), 0);
}

TEST(MbcsTest, CompareNoCaseFoldsAsciiLetters) {
    EXPECT_EQ(Mbcs::CompareNoCase("Collision", "COLLISION"), 0);
    EXPECT_LT(Mbcs::CompareNoCase("abc", "ABD"), 0);
    EXPECT_LT(Mbcs::CompareNoCase("ABC", "abcd"), 0);
    EXPECT_GT(Mbcs::CompareNoCase("abcd", "ABC"), 0);
    EXPECT_GT(Mbcs::CompareNoCase("\x81", "a"), 0);
}

TEST(MbcsTest, CompareNoCaseFoldsToLowerCase) {
    // '_' lies between 'Z' and 'a': folding to lower case puts it before the letters.
    EXPECT_GT(Mbcs::CompareNoCase("A", "_"), 0);
    EXPECT_LT(Mbcs::CompareNoCase("_", "a"), 0);
}

TEST(MbcsTest, MakeLowerLeavesTrailBytesAlone) {
    EXPECT_EQ(Mbcs::MakeLower("ABC" + kKatakanaA), "abc" + kKatakanaA);
    EXPECT_EQ(Mbcs::MakeLower(kKatakanaA + "D"), kKatakanaA + "d");
    EXPECT_EQ(Mbcs::MakeLower("Mixed_123"), "mixed_123");
}

TEST(MbcsTest, FindMatchesOnlyAtCharacterBoundaries) {
    EXPECT_EQ(Mbcs::Find(kHyou, "\\"), npos);
    EXPECT_EQ(Mbcs::Find(kHyou + "\\", "\\"), 2u);
    EXPECT_EQ(Mbcs::Find(kKatakanaA + "A", "A"), 2u);
    EXPECT_EQ(Mbcs::Find("x" + kHyou, kHyou), 1u);
}

TEST(MbcsTest, FindStartsAtTheGivenPosition) {
    EXPECT_EQ(Mbcs::Find("abcabc", "c", 3), 5u);
    EXPECT_EQ(Mbcs::Find("abcabc", "abc", 1), 3u);
    EXPECT_EQ(Mbcs::Find("abc", "c", 3), npos);
    EXPECT_EQ(Mbcs::Find("abc", "c", 4), npos);
}

TEST(MbcsTest, FindHandlesEmptyAndOverlongNeedles) {
    EXPECT_EQ(Mbcs::Find("abc", ""), 0u);
    EXPECT_EQ(Mbcs::Find("abc", "", 3), 3u);
    EXPECT_EQ(Mbcs::Find("abc", "", 4), npos);
    EXPECT_EQ(Mbcs::Find("abc", "abcd"), npos);
}

TEST(MbcsTest, Utf8RoundTrip) {
    EXPECT_EQ(Mbcs::ToUtf8(kWavSoundCp932), kWavSoundUtf8);
    EXPECT_EQ(Mbcs::FromUtf8(kWavSoundUtf8), kWavSoundCp932);
    EXPECT_EQ(Mbcs::ToUtf8(""), "");
    EXPECT_EQ(Mbcs::FromUtf8(""), "");
}

TEST(MbcsTest, ConvertsTextLongerThanOneConversionChunk) {
    std::string cp932;
    std::string utf8;
    for (int i = 0; i < 3000; ++i) {
        cp932 += "\x83\x54";
        utf8 += "サ";
    }
    EXPECT_EQ(Mbcs::ToUtf8(cp932), utf8);
    EXPECT_EQ(Mbcs::FromUtf8(utf8), cp932);
}

TEST(MbcsTest, FromUtf8FailsOnCharactersCodePage932Lacks) {
    EXPECT_EQ(Mbcs::FromUtf8("a\xF0\x9F\x98\x80"), std::nullopt); // an emoji
    EXPECT_EQ(Mbcs::FromUtf8("\xC3\xA9"), std::nullopt);          // e with acute accent
}

TEST(MbcsTest, FromUtf8FailsOnMalformedInput) {
    EXPECT_EQ(Mbcs::FromUtf8("a\xFF"), std::nullopt);
    EXPECT_EQ(Mbcs::FromUtf8("a\xE3\x81"), std::nullopt); // truncated sequence
}

TEST(MbcsTest, ToUtf8FailsOnIncompleteOrInvalidBytes) {
    EXPECT_EQ(Mbcs::ToUtf8("a\x95"), std::nullopt); // lone lead byte at the end
    EXPECT_EQ(Mbcs::ToUtf8("a\x80"), std::nullopt);
}

TEST(MbcsTest, FromUtf16ConvertsToCodePage932) {
    EXPECT_EQ(Mbcs::FromUtf16(u"ＭＳ"), "\x82\x6C\x82\x72");
    EXPECT_EQ(Mbcs::FromUtf16(u"字幕"), "\x8E\x9A\x96\x8B");
    EXPECT_EQ(Mbcs::FromUtf16(u""), "");
}

TEST(MbcsTest, FromUtf16ReplacesUnconvertibleCharactersWithQuestionMark) {
    EXPECT_EQ(Mbcs::FromUtf16(u"a\u00E9b"), "a?b");
    EXPECT_EQ(Mbcs::FromUtf16(u"a\U0001F600b"), "a?b"); // one mark for the surrogate pair
}

TEST(MbcsTest, FromUtf16ReplacesUnpairedSurrogatesWithQuestionMark) {
    const char16_t highThenLetter[] = {u'a', 0xD800, u'b', 0};
    const char16_t lowAlone[] = {u'a', 0xDC00, u'b', 0};
    const char16_t highAtEnd[] = {u'a', 0xD83D, 0};
    const char16_t twoHighs[] = {0xD83D, 0xD83D, 0xDE00, 0x8868, 0};
    EXPECT_EQ(Mbcs::FromUtf16(highThenLetter), "a?b");
    EXPECT_EQ(Mbcs::FromUtf16(lowAlone), "a?b");
    EXPECT_EQ(Mbcs::FromUtf16(highAtEnd), "a?");
    EXPECT_EQ(Mbcs::FromUtf16(twoHighs), "??" + kHyou);
}

} // namespace
