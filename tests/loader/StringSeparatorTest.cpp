#include "loader/StringSeparator.h"
#include "loader/AsciiFileString.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Tokens = std::vector<std::string>;

Tokens TokensOf(const StringSeparator& separator) {
    Tokens tokens;
    for (int i = 0; i < separator.GetCount(); ++i) {
        tokens.emplace_back(separator.GetToken(i));
    }
    return tokens;
}

// Reads every line of a text and returns each line's token count, the final -1 included.
std::vector<int> LineCounts(const std::string& text) {
    AsciiFileString file(text);
    std::vector<int> counts;
    do {
        counts.push_back(file.ReadLine());
    } while (counts.back() >= 0);
    return counts;
}

// Equal values, or both NaN; the sign of zeros, infinities and NaNs included.
template <typename Number> void ExpectSameNumber(Number actual, Number expected) {
    if (std::isnan(expected)) {
        EXPECT_TRUE(std::isnan(actual));
    } else {
        EXPECT_EQ(actual, expected);
    }
    EXPECT_EQ(std::signbit(actual), std::signbit(expected));
}

struct SplitCase {
    const char* what;
    std::string line;
    Tokens tokens;
};

// Text of a double-byte character followed by a single byte; each lead byte below is
// followed by a trail byte that would otherwise separate or end a token.
const std::string kPlus = "\x81\x7B";      // "＋": trail byte "{"
const std::string kMinus = "\x81\x7D";     // trail byte "}"
const std::string kLongBar = "\x83\x5B";   // "ー": trail byte "["
const std::string kZo = "\x83\x5D";        // "ゾ": trail byte "]"
const std::string kHyou = "\x95\x5C";      // "表": trail byte "\"
const std::string kKatakanaA = "\x83\x41"; // "ア": trail byte "A"

TEST(StringSeparatorTest, SeparateSplitsLinesIntoTokens) {
    const SplitCase cases[] = {
        {"colour group",
         "col(0.800 0.800 0.800 1.000)",
         {"col", "(", "0.800", "0.800", "0.800", "1.000", ")"}},
        {"quoted names keep inner blanks",
         "\"mat 1\" tex(\"tex 1.bmp\")",
         {"mat 1", "tex", "(", "tex 1.bmp", ")"}},
        {"face line",
         "4 V(0 1 2 3) M(1)",
         {"4", "V", "(", "0", "1", "2", "3", ")", "M", "(", "1", ")"}},
        {"object line", "Object \"body\" {", {"Object", "body", "{"}},
        {"every one-character token", "a(b)c,d:e;f=g[h]i{j}k", {"a", "(", "b", ")", "c", ",", "d",
                                                                ":", "e", ";", "f", "=", "g", "[",
                                                                "h", "]", "i", "{", "j", "}", "k"}},
        {"tabs and runs of blanks separate", "\t a \t\t b  ", {"a", "b"}},
        {"other punctuation stays in the token", "a.b-c+d/e*f", {"a.b-c+d/e*f"}},
        {"control characters are appended", "a\001b\013c", {"a\001b\013c"}},
        {"single-byte katakana is appended", "\xB1\xB2 x", {"\xB1\xB2", "x"}},
        {"empty line", "", {}},
        {"blank line", " \t  \t", {}},
        {"line feed alone", "\n", {}},
        {"two quotes give one empty token", "\"\"", {""}},
        {"empty quoted texture name", "tex(\"\")", {"tex", "(", "", ")"}},
        {"quoted blanks and brackets", "\"a (b) c\"", {"a (b) c"}},
        {"quoted one-character tokens", "\"(,:;=[]{})\"", {"(,:;=[]{})"}},
        {"quote right after text ends the text", "abc\"def\"", {"abc", "def"}},
        {"quote right after a quote", "\"a\"\"b\"", {"a", "b"}},
        {"unclosed quote keeps its text", "x \"abc", {"x", "abc"}},
        {"unclosed quote keeps its blanks", "\"a b \n", {"a b "}},
        {"lone quote at the end gives no token", "x \"", {"x"}},
        {"line ends at CR", "a b\rc d\n", {"a", "b"}},
        {"line ends at CR inside quotes", "\"a\rb\"", {"a"}},
        {"line ends at LF", "a\nb", {"a"}},
        {"line ends at NUL", std::string("a b\0c", 5), {"a", "b"}},
        {"trail byte {", "x" + kPlus + "y {", {"x" + kPlus + "y", "{"}},
        {"trail byte }", kMinus, {kMinus}},
        {"trail bytes [ and ]", "x(" + kLongBar + kZo + ")", {"x", "(", kLongBar + kZo, ")"}},
        {"trail byte backslash", kHyou + "\\a", {kHyou + "\\a"}},
        {"trail byte letter", kKatakanaA, {kKatakanaA}},
        {"double-byte text inside quotes",
         "\"" + kHyou + " " + kPlus + "\"",
         {kHyou + " " + kPlus}},
        {"lead byte takes a blank along", "\x81 x y", {"\x81 x", "y"}},
        {"lead byte takes a quote along", "\x81\"x y", {"\x81\"x", "y"}},
        {"lead byte takes a line feed along", "a\x81\nb c", {"a\x81\nb", "c"}},
        {"lead byte takes a CR along", "a\x81\rb", {"a\x81\rb"}},
        {"lead byte at the very end stays", "ab\x81", {"ab\x81"}},
        {"lead byte before a NUL stays alone", std::string("a\x81\0b", 4), {"a\x81"}},
    };
    for (const SplitCase& test : cases) {
        SCOPED_TRACE(test.what);
        StringSeparator separator;
        EXPECT_EQ(separator.Separate(test.line), static_cast<int>(test.tokens.size()));
        EXPECT_EQ(separator.GetCount(), static_cast<int>(test.tokens.size()));
        EXPECT_EQ(TokensOf(separator), test.tokens);
    }
}

TEST(StringSeparatorTest, SeparateReplacesTheTokensOfTheLineBefore) {
    StringSeparator separator;
    ASSERT_EQ(separator.Separate("one two three four"), 4);

    EXPECT_EQ(separator.Separate("five"), 1);
    EXPECT_EQ(TokensOf(separator), Tokens{"five"});
    EXPECT_FALSE(separator.IsToken(1, "two"));
    EXPECT_EQ(separator.Separate(""), 0);
    EXPECT_FALSE(separator.IsToken(0, "five"));
}

TEST(StringSeparatorTest, GetTokenViewsTheBytesOfTheLine) {
    const std::string line = "x \"a b\" \"\"";
    StringSeparator separator;
    ASSERT_EQ(separator.Separate(line), 3);

    EXPECT_EQ(separator.GetToken(0).data(), line.data());
    EXPECT_EQ(separator.GetToken(1).data(), line.data() + 3);
    EXPECT_EQ(separator.GetToken(1), "a b");
    EXPECT_EQ(separator.GetToken(2), "");
}

TEST(StringSeparatorTest, IsTokenIgnoresTheCaseOfAsciiLetters) {
    const std::string line = "material MATERIAL Material Materials " + kKatakanaA;
    StringSeparator separator;
    ASSERT_EQ(separator.Separate(line), 5);

    EXPECT_TRUE(separator.IsToken(0, "Material"));
    EXPECT_TRUE(separator.IsToken(1, "Material"));
    EXPECT_TRUE(separator.IsToken(2, "material"));
    EXPECT_FALSE(separator.IsToken(3, "Material"));
    EXPECT_FALSE(separator.IsToken(2, "Materials"));
    EXPECT_TRUE(separator.IsToken(4, kKatakanaA));
    // A byte comparison: the trail byte "A" matches "a" like any other byte.
    EXPECT_TRUE(separator.IsToken(4, "\x83\x61"));
}

TEST(StringSeparatorTest, IndexAtOrPastTheCountIsNoTokenAndZero) {
    StringSeparator separator;
    ASSERT_EQ(separator.Separate("{ 5"), 2);

    EXPECT_FALSE(separator.IsToken(2, ""));
    EXPECT_FALSE(separator.IsToken(2, "5"));
    EXPECT_EQ(separator.GetDouble(2), 0.0);
    EXPECT_EQ(separator.GetFloat(2), 0.0f);
    EXPECT_EQ(separator.GetInt(2), 0);
    EXPECT_EQ(separator.GetInt(1000), 0);
}

TEST(StringSeparatorTest, IndexPastTheLongestLineIsNoToken) {
    StringSeparator separator;
    separator.Separate("a b c d e f");
    separator.Separate("a");

    EXPECT_FALSE(separator.IsToken(3, "d"));
    EXPECT_EQ(separator.GetInt(3), 0);
}

TEST(StringSeparatorTest, NumbersConvertAsTheCLibraryDoes) {
    // The tokens are blank-separated; "\f" and "\v" are blanks to the C library only.
    const std::string line = "1e5 -0.5 +3 0x1A .5 5. 1e400 -1e400 abc 12abc - nan -nan inf -inf "
                             "1e-320 1e-400 007 2147483648 -2147483649 99999999999999999999 "
                             "-0x1A +0x1A 0x 0x1p3 1e 1e+ infinity \f7 \v-8.25 -0 0.1 "
                             "3.999999999999999999 123456789012 1.5e3x";
    StringSeparator separator;
    ASSERT_EQ(separator.Separate(line), 35);
    for (int i = 0; i < separator.GetCount(); ++i) {
        const std::string token(separator.GetToken(i));
        SCOPED_TRACE(token);
        const double expected = std::atof(token.c_str());
        ExpectSameNumber(separator.GetDouble(i), expected);
        ExpectSameNumber(separator.GetFloat(i), static_cast<float>(expected));
        EXPECT_EQ(separator.GetInt(i), std::atoi(token.c_str()));
    }
}

TEST(StringSeparatorTest, DecimalsConvertAsTheCLibraryDoes) {
    // Around the limits of the exact short path: 2^53 and past it, 19 and 20 digits, 22 and
    // 23 decimals, a second point, and the forms of zero.
    std::vector<std::string> tokens = {"9007199254740992",
                                       "9007199254740993",
                                       "-9007199254740993.0",
                                       "900719925474099.35",
                                       "1234567890123456789",
                                       "12345678901234567890",
                                       "0.1234567890123456789012",
                                       "1.0000000000000000000001",
                                       "0.0000000000000000000001",
                                       "0.00000000000000000000001",
                                       "1.2.3",
                                       "-0.0",
                                       "0.",
                                       ".0",
                                       "-.5",
                                       "-",
                                       ".",
                                       "-1.",
                                       "0.99296",
                                       "-300.0000",
                                       "59.5"};
    // And a spread of the decimals that model files are full of.
    std::uint64_t seed = 12345;
    for (int n = 0; n < 2000; ++n) {
        seed = seed * 6364136223846793005u + 1442695040888963407u;
        const std::string digits = std::to_string(seed >> (seed % 40));
        const std::size_t point = (seed >> 8) % (digits.size() + 1);
        tokens.push_back((n % 2 ? "-" : "") + digits.substr(0, point) + "." + digits.substr(point));
    }
    StringSeparator separator;
    for (const std::string& token : tokens) {
        SCOPED_TRACE(token);
        ASSERT_EQ(separator.Separate(token), 1);
        ExpectSameNumber(separator.GetDouble(0), std::atof(token.c_str()));
    }
}

TEST(AsciiFileStringTest, NewReaderHasNoTokens) {
    const AsciiFileString file("a b\n");

    EXPECT_EQ(file.GetCount(), 0);
    EXPECT_FALSE(file.IsToken(0, "a"));
}

TEST(AsciiFileStringTest, ReadLineReturnsEachLineTokenCountThenMinusOne) {
    const struct {
        const char* what;
        std::string text;
        std::vector<int> counts;
    } cases[] = {
        {"empty text", "", {-1}},
        {"lines with LF", "a\n\nb c\n", {1, 0, 2, -1}},
        {"lines with CR LF", "a\r\n\r\nb c\r\n", {1, 0, 2, -1}},
        {"blank lines are no end", " \n\t\n", {0, 0, -1}},
        {"last line without line feed", "a\nb c", {1, 2, -1}},
        {"CR in the middle ends the line", "a b\rc d e\nf\n", {2, 1, -1}},
        {"lone CR does not start a line", "a\rb\rc\n", {1, -1}},
        {"line feed inside quotes ends the line", "\"a\nb\"\n", {1, 1, -1}},
        {"NUL ends the line's text", std::string("a\0b c\nd\n", 8), {1, 1, -1}},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.what);
        EXPECT_EQ(LineCounts(test.text), test.counts);
    }
}

TEST(AsciiFileStringTest, EndOfFileRepeatsAndClearsTheTokens) {
    AsciiFileString file("last 5\n");
    ASSERT_EQ(file.ReadLine(), 2);

    for (int attempt = 0; attempt < 3; ++attempt) {
        EXPECT_EQ(file.ReadLine(), -1);
        EXPECT_EQ(file.GetCount(), -1);
    }
    EXPECT_FALSE(file.IsToken(0, "last"));
    EXPECT_EQ(file.GetDouble(1), 0.0);
    EXPECT_EQ(file.GetInt(1), 0);
}

TEST(AsciiFileStringTest, LongLineComesBackInPiecesOf8190Bytes) {
    const std::string text = std::string(10000, 'x') + "\nnext\n";
    AsciiFileString file(text);

    ASSERT_EQ(file.ReadLine(), 1);
    EXPECT_EQ(file.GetToken(0), std::string(8190, 'x'));
    ASSERT_EQ(file.ReadLine(), 1);
    EXPECT_EQ(file.GetToken(0), std::string(1810, 'x'));
    ASSERT_EQ(file.ReadLine(), 1);
    EXPECT_EQ(file.GetToken(0), "next");
    EXPECT_EQ(file.ReadLine(), -1);
}

TEST(AsciiFileStringTest, LongLineIsCutInsideItsTokens) {
    // The cut falls after byte 8190, in the middle of "abcd".
    const std::string text = std::string(8188, ' ') + "abcd efg\n";
    AsciiFileString file(text);

    ASSERT_EQ(file.ReadLine(), 1);
    EXPECT_EQ(file.GetToken(0), "ab");
    ASSERT_EQ(file.ReadLine(), 2);
    EXPECT_EQ(TokensOf(file), (Tokens{"cd", "efg"}));
}

TEST(AsciiFileStringTest, LongLineCutRightAfterALeadByteKeepsTheByteInItsPiece) {
    const std::string text = std::string(8189, 'x') + "\x81" + "zz\n";
    AsciiFileString file(text);

    ASSERT_EQ(file.ReadLine(), 1);
    EXPECT_EQ(file.GetToken(0), std::string(8189, 'x') + "\x81");
    ASSERT_EQ(file.ReadLine(), 1);
    EXPECT_EQ(file.GetToken(0), "zz");
}

TEST(AsciiFileStringTest, LineFeedThatDoesNotFitComesBackAsAnEmptyLine) {
    EXPECT_EQ(LineCounts(std::string(8190, 'x') + "\n"), (std::vector<int>{1, 0, -1}));
    EXPECT_EQ(LineCounts(std::string(8189, 'x') + "\n"), (std::vector<int>{1, -1}));
    EXPECT_EQ(LineCounts(std::string(8191, 'x')), (std::vector<int>{1, 1, -1}));
}

TEST(AsciiFileStringTest, SkipBytesMovesExactlyForward) {
    AsciiFileString file("abc\n0123456789rest\nend\n");
    ASSERT_EQ(file.ReadLine(), 1);

    EXPECT_TRUE(file.SkipBytes(10));
    ASSERT_EQ(file.ReadLine(), 1);
    EXPECT_EQ(file.GetToken(0), "rest");
    EXPECT_TRUE(file.SkipBytes(0));
    ASSERT_EQ(file.ReadLine(), 1);
    EXPECT_EQ(file.GetToken(0), "end");
}

TEST(AsciiFileStringTest, SkipBytesRefusesToMoveBackwards) {
    AsciiFileString file("abc\ndef\n");
    ASSERT_EQ(file.ReadLine(), 1);

    EXPECT_FALSE(file.SkipBytes(-1));
    ASSERT_EQ(file.ReadLine(), 1);
    EXPECT_EQ(file.GetToken(0), "def");
}

TEST(AsciiFileStringTest, SkipBytesPastTheEndMeetsTheEndOfFile) {
    AsciiFileString file("abc\ndef\n");
    ASSERT_EQ(file.ReadLine(), 1);

    EXPECT_TRUE(file.SkipBytes(1000));
    EXPECT_EQ(file.ReadLine(), -1);
    EXPECT_TRUE(file.SkipBytes(1));
    EXPECT_EQ(file.ReadLine(), -1);
}

} // namespace
