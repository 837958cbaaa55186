#include "platform/FilePath.h"

#include "platform/Mbcs.h"
#include "platform/OutputPath.h"

#include "support/ChildProcess.h"
#include "support/ScratchFolder.h"
#include "support/SpecialFiles.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

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

TEST(FilePathReadAllTest, AFileLargerThanTheMemoryLeftFailsAsAnUnreadableOne) {
    if (!ChildProcess::AddressSpaceCanBeLimited) {
        GTEST_SKIP() << "the sanitizer's address space cannot be limited";
    }
    const ScratchFolder folder;
    const std::string path = folder.PathOf("large");
    WriteSparse(path, "x", std::uint64_t{512} << 20);
    const int status = ChildProcess::ExitStatusWithAddressSpaceRoom(std::size_t{64} << 20, [&path] {
        return FilePath::ReadAll(path, std::uint64_t{1} << 30) == std::nullopt ? 0 : 1;
    });
    EXPECT_EQ(status, 0);
}

// --- Atomic saves ---

using Bytes = std::vector<std::uint8_t>;

Bytes BytesOf(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

std::string Content(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

mode_t ModeOf(const std::string& path) {
    struct stat status {};
    EXPECT_EQ(::stat(path.c_str(), &status), 0);
    return status.st_mode & 07777;
}

// The new file is never more open than the old one, not even while it is written, and the
// umask takes nothing away from the old mode.
TEST(FilePathWriteAtomicallyTest, NewFileHasTheOldModeFromTheStartOrGetsTheUsualOne) {
    const mode_t mask = ::umask(077);
    const struct {
        std::optional<mode_t> old;
        mode_t saved;
    } cases[] = {{0640, 0640}, {0600, 0600}, {0755, 0755}, {std::nullopt, 0600}};
    for (const auto& test : cases) {
        SCOPED_TRACE(test.saved);
        const ScratchFolder folder;
        const std::string path = folder.PathOf("scene.qka");
        if (test.old) {
            folder.Write("scene.qka", "old");
            fs::permissions(path, static_cast<fs::perms>(*test.old));
        }

        mode_t whileWritten = 0;
        ASSERT_FALSE(FilePath::WriteAtomically(path, [&whileWritten](int file) {
            struct stat status {};
            whileWritten = ::fstat(file, &status) == 0 ? status.st_mode & 07777 : 0;
            return FilePath::WriteFully(file, "new", 3);
        }));

        EXPECT_EQ(whileWritten, test.saved);
        EXPECT_EQ(Content(path), "new");
        EXPECT_EQ(ModeOf(path), test.saved);
        EXPECT_EQ(folder.Names(), std::vector<std::string>{"scene.qka"});
    }
    ::umask(mask);
}

TEST(FilePathWriteAtomicallyTest, FilesPlantedBesideTheTargetAreNeverWritten) {
    const ScratchFolder folder;
    const std::string path = folder.Write("scene.qka", "old");
    const std::string victim = folder.Write("victim", "victim");
    fs::create_symlink(victim, folder.PathOf("scene.qka.saving"));
    fs::create_symlink(victim, folder.PathOf("scene.qka.tmp"));
    folder.Write("scene.qka.saving-0/inside", "inside");
    const std::vector<std::string> planted = folder.Names();

    ASSERT_FALSE(FilePath::WriteAtomically(path, BytesOf("new")));

    EXPECT_EQ(Content(path), "new");
    EXPECT_FALSE(fs::is_symlink(path));
    EXPECT_EQ(Content(victim), "victim");
    EXPECT_EQ(folder.Names(), planted);
}

TEST(FilePathWriteAtomicallyTest, SavesThroughLinksWriteTheirTargetAndKeepTheLinks) {
    const ScratchFolder folder;
    const std::string target = folder.Write("models/scene.qka", "old");
    fs::permissions(target, fs::perms(0640));
    fs::create_symlink("models/scene.qka", folder.PathOf("relative.qka"));
    fs::create_symlink(folder.PathOf("relative.qka"), folder.PathOf("chained.qka"));

    for (const char* link : {"relative.qka", "chained.qka"}) {
        SCOPED_TRACE(link);
        ASSERT_FALSE(FilePath::WriteAtomically(folder.PathOf(link), BytesOf(link)));

        EXPECT_TRUE(fs::is_symlink(folder.PathOf(link)));
        EXPECT_EQ(Content(target), link);
        EXPECT_EQ(ModeOf(target), 0640u);
    }
    // A link that leads nowhere yet gets its target made.
    fs::create_symlink("models/new.qka", folder.PathOf("dangling.qka"));
    ASSERT_FALSE(FilePath::WriteAtomically(folder.PathOf("dangling.qka"), BytesOf("new")));
    EXPECT_TRUE(fs::is_symlink(folder.PathOf("dangling.qka")));
    EXPECT_EQ(Content(folder.PathOf("models/new.qka")), "new");
    EXPECT_EQ(folder.Names("models"), (std::vector<std::string>{"new.qka", "scene.qka"}));
}

TEST(FilePathWriteAtomicallyTest, SavesToOnePathInARowAndAtOnceAllSucceed) {
    const ScratchFolder folder;
    const std::string path = folder.PathOf("scene.qka");
    const auto saveMany = [&path](char fill, int* failures) {
        for (int i = 0; i < 20; ++i) {
            *failures += FilePath::WriteAtomically(path, Bytes(50000, fill)) ? 1 : 0;
        }
    };
    int failures[2] = {};
    std::thread other(saveMany, 'a', &failures[0]);
    saveMany('b', &failures[1]);
    other.join();

    EXPECT_EQ(failures[0] + failures[1], 0);
    const std::string content = Content(path);
    EXPECT_TRUE(content == std::string(50000, 'a') || content == std::string(50000, 'b'));
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"scene.qka"});
}

TEST(FilePathWriteAtomicallyTest, FailuresLeaveTheOldFileAndNoTemporaryFile) {
    // Root writes where permissions forbid it, so these failures do not depend on them.
    const ScratchFolder folder;
    const std::string plain = folder.Write("plain.txt", "plain");
    folder.Write("taken.qka/inside", "inside");
    fs::create_symlink(folder.PathOf("gone/scene.qka"), folder.PathOf("dangling.qka"));
    fs::create_symlink("loop.qka", folder.PathOf("loop.qka"));
    const std::vector<std::string> before = folder.Names();
    const struct {
        std::string path;
        std::errc error;
    } cases[] = {
        {plain + "/inside.qka", std::errc::not_a_directory},
        {folder.PathOf("missing/scene.qka"), std::errc::no_such_file_or_directory},
        {folder.PathOf("taken.qka"), std::errc::is_a_directory},
        {folder.PathOf("dangling.qka"), std::errc::no_such_file_or_directory},
        {folder.PathOf("loop.qka"), std::errc::too_many_symbolic_link_levels},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.path);
        EXPECT_EQ(FilePath::WriteAtomically(test.path, BytesOf("new")),
                  std::make_error_code(test.error));
    }
    EXPECT_EQ(folder.Names(), before);
    EXPECT_EQ(Content(plain), "plain");
    EXPECT_EQ(Content(folder.PathOf("taken.qka/inside")), "inside");
}

TEST(FilePathWriteAtomicallyTest, PipesAndDevicesAreRefusedAndStayWhatTheyWere) {
    const ScratchFolder folder;
    const std::string pipe = folder.PathOf("pipe.qka");
    const FilledFifo fifo(pipe, "");
    const std::string device = folder.PathOf("null.qka");
    MakeNullDevice(device);
    const std::string link = folder.PathOf("link.qka");
    fs::create_symlink("pipe.qka", link);
    const std::vector<std::string> before = folder.Names();

    for (const auto& [target, type] :
         {std::pair{pipe, S_IFIFO}, std::pair{device, S_IFCHR}, std::pair{link, S_IFIFO}}) {
        EXPECT_EQ(FilePath::WriteAtomically(target, BytesOf("new")), OutputPath::NotRegularFile())
            << target;
        EXPECT_EQ(FileType(target), type) << target;
    }
    EXPECT_EQ(folder.Names(), before);
}

TEST(FilePathWriteAtomicallyTest, FailedWriteLeavesTheOldFileAndNoTemporaryFile) {
    const ScratchFolder folder;
    const std::string path = folder.Write("scene.qka", "old");
    // Files may not grow past 100 bytes: the write of the new content fails half-way.
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const rlimit small = {100, old.rlim_max};
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);

    const std::error_code error = FilePath::WriteAtomically(path, Bytes(1000, 'x'));

    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_EQ(error, std::make_error_code(std::errc::file_too_large));
    EXPECT_EQ(Content(path), "old");
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"scene.qka"});

    // A writer that fails without a reason has failed all the same.
    EXPECT_EQ(FilePath::WriteAtomically(path, [](int) { return false; }),
              std::make_error_code(std::errc::io_error));
    EXPECT_EQ(Content(path), "old");
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"scene.qka"});
}

} // namespace
