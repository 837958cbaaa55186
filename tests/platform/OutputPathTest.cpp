#include "platform/OutputPath.h"

#include "support/ScratchFolder.h"
#include "support/SpecialFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace {

TEST(OutputPathTest, OnlyRegularFilesAndFreeNamesTakeOutput) {
    const ScratchFolder folder;
    const std::string pipe = folder.PathOf("pipe");
    const FilledFifo fifo(pipe, "");
    MakeNullDevice(folder.PathOf("null"));
    folder.Write("file", "old");
    std::filesystem::create_directory(folder.PathOf("folder"));
    std::filesystem::create_symlink("file", folder.PathOf("link-to-file"));
    std::filesystem::create_symlink("pipe", folder.PathOf("link-to-pipe"));
    std::filesystem::create_symlink("gone", folder.PathOf("dangling"));
    const std::error_code none;
    const std::error_code folderError = std::make_error_code(std::errc::is_a_directory);
    const struct {
        std::string name;
        std::error_code error;
    } cases[] = {
        {"file", none},
        {"link-to-file", none},
        {"new", none},
        {"dangling", none},
        {"missing/new", none},
        {"folder", folderError},
        {"pipe", OutputPath::NotRegularFile()},
        {"link-to-pipe", OutputPath::NotRegularFile()},
        {"null", OutputPath::NotRegularFile()},
    };
    for (const auto& test : cases) {
        EXPECT_EQ(OutputPath::Check(folder.PathOf(test.name)), test.error) << test.name;
    }
    EXPECT_EQ(OutputPath::Check("/dev/null"), OutputPath::NotRegularFile());
}

} // namespace
