#include "platform/ProgramFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace {

namespace fs = std::filesystem;

TEST(ProgramFolderTest, IsAnAbsoluteFolderEndingWithSlash) {
    const std::string folder = GetProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.front(), '/');
    EXPECT_EQ(folder.back(), '/');
    EXPECT_TRUE(fs::is_directory(folder));
}

TEST(ProgramFolderTest, ContainsTheRunningExecutable) {
    // The file the link names, rather than the link itself: under valgrind only reading
    // the link reports the program being run.
    const fs::path executable = fs::read_symlink("/proc/self/exe");
    const fs::directory_iterator entries(GetProgramFolder());
    const bool found = std::any_of(begin(entries), end(entries), [&](const auto& entry) {
        std::error_code error;
        return fs::equivalent(entry.path(), executable, error);
    });
    EXPECT_TRUE(found);
}

} // namespace
