#include "platform/RegularFile.h"

#include "support/ScratchFolder.h"
#include "support/SpecialFiles.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/inotify.h>
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
    // The events since the last call.
    int Count() const {
        alignas(inotify_event) char buffer[4096];
        int events = 0;
        ssize_t length = 0;
        while ((length = ::read(m_descriptor, buffer, sizeof buffer)) > 0) {
            for (ssize_t offset = 0; offset < length; ++events) {
                offset += static_cast<ssize_t>(
                    sizeof(inotify_event) + reinterpret_cast<inotify_event*>(buffer + offset)->len);
            }
        }
        return events;
    }

private:
    int m_descriptor;
};

// Opening the terminal multiplexer allocates a terminal, which shows in /dev/pts.
TEST(RegularFileTest, PipesAndDevicesFailWithoutBeingOpened) {
    const ScratchFolder folder;
    const FilledFifo fifo(folder.PathOf("fifo"), "abc");
    std::filesystem::create_symlink(folder.PathOf("fifo"), folder.PathOf("fifo link"));
    std::filesystem::create_symlink("/dev/ptmx", folder.PathOf("ptmx link"));
    Watch watch;
    ASSERT_TRUE(watch.Add(folder.PathOf("fifo"), IN_OPEN));
    ASSERT_TRUE(watch.Add("/dev/pts", IN_CREATE));
    for (const char* name : {"fifo", "fifo link", "ptmx link"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(RegularFile::Open(folder.PathOf(name), 1 << 20), std::nullopt);
        EXPECT_EQ(watch.Count(), 0);
    }
    EXPECT_EQ(RegularFile::Open("/dev/ptmx", 1 << 20), std::nullopt);
    EXPECT_EQ(watch.Count(), 0);
}

TEST(RegularFileTest, RegularFilesOpenThroughLinksUpToTheLimit) {
    const ScratchFolder folder;
    folder.Write("file", "abc");
    std::filesystem::create_symlink(folder.PathOf("file"), folder.PathOf("link"));
    for (const char* name : {"file", "link"}) {
        SCOPED_TRACE(name);
        const std::optional<RegularFile> file = RegularFile::Open(folder.PathOf(name), 3);
        ASSERT_TRUE(file.has_value());
        EXPECT_EQ(file->Size(), 3u);
        char bytes[3] = {};
        EXPECT_TRUE(file->ReadAt(0, bytes, sizeof bytes));
        EXPECT_EQ(std::string(bytes, sizeof bytes), "abc");
        EXPECT_TRUE(file->EndsAtItsSize());
        EXPECT_EQ(RegularFile::Open(folder.PathOf(name), 2), std::nullopt);
    }
}

} // namespace
