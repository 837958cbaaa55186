#include "platform/RegularFile.h"

#include "support/ScratchFolder.h"
#include "support/SpecialFiles.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The events that inotify reports of watched files, read when asked.
class Watch {
public:
    Watch() : m_descriptor(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}
    ~Watch() { ::close(m_descriptor); }
    Watch(const Watch&) = delete;
    Watch& operator=(const Watch&) = delete;

    bool Add(const std::string& path, std::uint32_t events) {
        return ::inotify_add_watch(m_descriptor, path.c_str(), events) >= 0;
    }
    // The events of the given kinds among those since the last call.
    int Count(std::uint32_t kinds) const {
        alignas(inotify_event) char buffer[4096];
        int events = 0;
        ssize_t length = 0;
        while ((length = ::read(m_descriptor, buffer, sizeof buffer)) > 0) {
            for (ssize_t offset = 0; offset < length;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + offset);
                events += (event->mask & kinds) != 0 ? 1 : 0;
                offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
        return events;
    }

private:
    int m_descriptor;
};

// A reopen where /proc is not mounted.
FileDescriptor ReopenWithoutProc(int) {
    return FileDescriptor(::open("/no such proc/self/fd/0", O_RDONLY | O_CLOEXEC));
}

// Open descriptors are reopened through /proc, and by their names where it is missing.
class RegularFileTest : public testing::TestWithParam<FileDescriptor (*)(int)> {};
INSTANTIATE_TEST_SUITE_P(Reopens, RegularFileTest,
                         testing::Values(&RegularFile::ReopenThroughProc, &ReopenWithoutProc));

// Opening the terminal multiplexer allocates a terminal, which shows in /dev/pts and goes
// when it closes. Other programs may open terminals meanwhile, so each name is opened many
// times over: opening the multiplexer would add a terminal each time. (Deletions are watched
// too, or the kernel would merge the creations of a terminal number freed and taken again.)
TEST_P(RegularFileTest, PipesAndDevicesFailWithoutBeingOpened) {
    constexpr int Attempts = 20;
    const ScratchFolder folder;
    const FilledFifo fifo(folder.PathOf("fifo"), "abc");
    std::filesystem::create_symlink(folder.PathOf("fifo"), folder.PathOf("fifo link"));
    std::filesystem::create_symlink("/dev/ptmx", folder.PathOf("ptmx link"));
    Watch fifoOpens;
    ASSERT_TRUE(fifoOpens.Add(folder.PathOf("fifo"), IN_OPEN));
    Watch terminals;
    ASSERT_TRUE(terminals.Add("/dev/pts", IN_CREATE | IN_DELETE));
    for (const std::string& path : {folder.PathOf("fifo"), folder.PathOf("fifo link"),
                                    folder.PathOf("ptmx link"), std::string("/dev/ptmx")}) {
        SCOPED_TRACE(path);
        for (int attempt = 0; attempt < Attempts; ++attempt) {
            EXPECT_EQ(RegularFile::Open(path, 1 << 20, GetParam()), std::nullopt);
        }
        EXPECT_EQ(fifoOpens.Count(IN_OPEN), 0);
        EXPECT_LT(terminals.Count(IN_CREATE), Attempts);
    }
}

TEST_P(RegularFileTest, RegularFilesOpenThroughLinksUpToTheLimit) {
    const ScratchFolder folder;
    folder.Write("file", "abc");
    std::filesystem::create_symlink(folder.PathOf("file"), folder.PathOf("link"));
    for (const char* name : {"file", "link"}) {
        SCOPED_TRACE(name);
        const std::optional<RegularFile> file =
            RegularFile::Open(folder.PathOf(name), 3, GetParam());
        ASSERT_TRUE(file.has_value());
        EXPECT_EQ(file->Size(), 3u);
        char bytes[3] = {};
        EXPECT_TRUE(file->ReadAt(0, bytes, sizeof bytes));
        EXPECT_EQ(std::string(bytes, sizeof bytes), "abc");
        EXPECT_TRUE(file->EndsAtItsSize());
        EXPECT_EQ(RegularFile::Open(folder.PathOf(name), 2, GetParam()), std::nullopt);
    }
}

// Where /proc is missing, a name that leads to a pipe or to another file by the time it is
// opened again is refused. The pipe has no writer: an open that waited for one would never end.
TEST(RegularFileWithoutProcTest, NameSwappedBeforeItIsOpenedAgainIsRefused) {
    const ScratchFolder folder;
    const std::string name = folder.PathOf("file");
    ASSERT_EQ(::mkfifo(folder.PathOf("fifo").c_str(), 0600), 0);
    folder.Write("other", "xyz");
    for (const char* replacement : {"fifo", "other"}) {
        SCOPED_TRACE(replacement);
        std::filesystem::remove(name);
        folder.Write("file", "abc");
        const auto swapWithoutProc = [&](int descriptor) {
            std::filesystem::rename(folder.PathOf(replacement), name);
            return ReopenWithoutProc(descriptor);
        };
        EXPECT_EQ(RegularFile::Open(name, 1 << 20, swapWithoutProc), std::nullopt);
    }
}

} // namespace
