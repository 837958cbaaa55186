#include "platform/FilePath.h"

#include "platform/Mbcs.h"

#include "support/ScratchFolder.h"
#include "support/SpecialFiles.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <system_error>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

const std::string kHyou = "\x95\x5C"; // "表": trail byte "\"
const std::string kSo = "\x83\x5C";   // "ソ": trail byte "\"

struct ConversionCase {
    std::string name;
    std::string converted;
};

TEST(FilePathToSlashesTest, ReplacesSingleByteBackslashesOnly) {
    const ConversionCase cases[] = {
        {"mqo\\shop.mqo", "mqo/shop.mqo"},
        {"\\\\server\\share\\", "//server/share/"},
        {"a/b\\c", "a/b/c"},
        {kHyou + "\\a", kHyou + "/a"},
        {kHyou + kSo, kHyou + kSo},
        {"x" + kSo + "\\" + kHyou, "x" + kSo + "/" + kHyou},
        {"\x81\\\\", "\x81\\/"},
        {"a\\\x95", "a/\x95"},
        {"", ""},
    };
    for (const ConversionCase& test : cases) {
        SCOPED_TRACE(test.name);
        EXPECT_EQ(FilePath::ToSlashes(test.name), test.converted);
    }
}

TEST(FilePathToBackslashesTest, ReplacesSingleByteSlashesOnly) {
    const ConversionCase cases[] = {
        {"mqo/shop.mqo", "mqo\\shop.mqo"}, {"a\\b/c", "a\\b\\c"}, {kHyou + "/a", kHyou + "\\a"},
        {kHyou + kSo, kHyou + kSo},        {"\x81//", "\x81/\\"}, {"", ""},
    };
    for (const ConversionCase& test : cases) {
        SCOPED_TRACE(test.name);
        EXPECT_EQ(FilePath::ToBackslashes(test.name), test.converted);
    }
}

// A folder holding MQO/Shop.mqo and 表/ソ.txt (UTF-8 names on disk).
class FilePathResolveTest : public ::testing::Test {
protected:
    FilePathResolveTest() {
        m_folder.Write("MQO/Shop.mqo", "model");
        m_folder.Write("\xE8\xA1\xA8/\xE3\x82\xBD.txt", "text");
    }

    std::string Folder() const { return m_folder.Path().string() + "/"; }
    std::string Shop() const { return m_folder.PathOf("MQO/Shop.mqo"); }

private:
    ScratchFolder m_folder;
};

TEST_F(FilePathResolveTest, FindsNamesWhateverTheirCase) {
    const std::string names[] = {"MQO\\Shop.mqo", "mqo\\shop.mqo", "MQO/SHOP.MQO", "Mqo\\Shop.mqo"};
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        EXPECT_EQ(FilePath::Resolve(Folder(), name), Shop());
    }
}

TEST_F(FilePathResolveTest, ConvertsCodePage932NamesToUtf8) {
    const std::string expected = Folder() + "\xE8\xA1\xA8/\xE3\x82\xBD.txt";

    EXPECT_EQ(FilePath::Resolve(Folder(), kHyou + "\\" + kSo + ".txt"), expected);
    EXPECT_EQ(FilePath::Resolve(Folder(), kHyou + "\\" + kSo + ".TXT"), expected);
}

TEST_F(FilePathResolveTest, AbsoluteNamesIgnoreTheFolder) {
    const std::string lowerCase = Mbcs::MakeLower(Shop());
    ASSERT_NE(lowerCase, Shop());

    EXPECT_EQ(FilePath::Resolve("/elsewhere/", Shop()), Shop());
    EXPECT_EQ(FilePath::Resolve("/elsewhere/", lowerCase), Shop());
}

TEST_F(FilePathResolveTest, NamesThatMatchNothingGiveTheExactPath) {
    EXPECT_EQ(FilePath::Resolve(Folder(), "none\\file.x"), Folder() + "none/file.x");
    EXPECT_EQ(FilePath::Resolve(Folder(), "mqo\\missing.mqo"), Folder() + "mqo/missing.mqo");
    EXPECT_EQ(FilePath::Resolve(Folder(), "shop.mqo"), Folder() + "shop.mqo");
    EXPECT_EQ(FilePath::Resolve("/elsewhere/", "/no/such/File"), "/no/such/File");
}

TEST_F(FilePathResolveTest, UnconvertibleNamesGiveNothing) {
    EXPECT_EQ(FilePath::Resolve(Folder(), "\x80.txt"), std::nullopt);
    EXPECT_EQ(FilePath::Resolve(Folder(), "mqo\\a\x95"), std::nullopt);
}

TEST(FilePathReadAllTest, ReadsARegularFileUpToTheLimit) {
    const ScratchFolder folder;
    const struct {
        const char* content;
        std::uint64_t limit;
        std::optional<std::string> read;
    } cases[] = {
        {"abc", 3, "abc"},
        {"abc", 1000, "abc"},
        {"", 0, ""},
        {"abcd", 3, std::nullopt},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(std::string(test.content) + " " + std::to_string(test.limit));
        EXPECT_EQ(FilePath::ReadAll(folder.Write("file", test.content), test.limit), test.read);
    }
}

TEST(FilePathReadAllTest, PipesDevicesFoldersAndEndlessFilesFailAsMissingOnes) {
    const ScratchFolder folder;
    const FilledFifo fifo(folder.PathOf("fifo"), "abc");
    std::filesystem::create_symlink(folder.PathOf("fifo"), folder.PathOf("link"));
    const std::string paths[] = {
        folder.PathOf("missing"),
        folder.Path().string(),
        folder.PathOf("fifo"),
        folder.PathOf("link"),
        "/dev/zero",
        "/proc/self/status", // reports 0 bytes, then reads on
    };
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        EXPECT_EQ(FilePath::ReadAll(path, std::uint64_t{1} << 30), std::nullopt);
    }
}

} // namespace
