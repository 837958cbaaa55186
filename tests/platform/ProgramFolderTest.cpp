#include "platform/ProgramFolder.h"

#include "support/ScratchFolder.h"

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

// Where /proc is not mounted, the folder is found from the name that the program was started
// by: a path, or a name along PATH (here past a folder without it and one whose file of that
// name may not be run), links resolved as for an installed program's link.
TEST(ProgramFolderTest, FoundFromTheStartingNameAsTheShellFindsIt) {
    const ScratchFolder scratch;
    const std::string program = scratch.Write("bin/prog", "#!/bin/sh\n");
    fs::permissions(program, fs::perms::owner_exec, fs::perm_options::add);
    scratch.Write("plain/prog", "#!/bin/sh\n");
    fs::create_directories(scratch.Path() / "empty");
    fs::create_directories(scratch.Path() / "link");
    fs::create_symlink("../bin/prog", scratch.Path() / "link/prog");
    const std::string root = fs::canonical(scratch.Path()).string();
    const std::string passed = root + "/empty:" + root + "/plain";
    const struct {
        std::string argv0;
        std::string searchPath;
        std::string folder;
    } starts[] = {
        {program, "", root + "/bin/"},
        {"bin/prog", "", root + "/bin/"},
        {"prog", passed + ":" + root + "/bin", root + "/bin/"},
        {"prog", passed + ":" + root + "/link", root + "/bin/"},
        {"prog", passed, root + "/"},
        {"plain/prog", root + "/bin", root + "/"},
    };
    for (const auto& start : starts) {
        SCOPED_TRACE(start.argv0 + " along " + start.searchPath);
        EXPECT_EQ(FindProgramFolder(start.argv0, start.searchPath, root), start.folder);
    }
}

} // namespace
