#pragma once

// A folder of its own for one test, removed with everything in it at the end of the test.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <unistd.h>

class ScratchFolder {
public:
    explicit ScratchFolder(
        const std::filesystem::path& parent = std::filesystem::temp_directory_path()) {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        m_path = parent /
                 ("Scratch-" + std::string(test->test_suite_name()) + "-" +
                  std::string(test->name()) + "-" + std::to_string(static_cast<long>(getpid())));
        std::filesystem::create_directories(m_path);
    }
    ~ScratchFolder() {
        std::error_code error;
        std::filesystem::remove_all(m_path, error);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    std::string PathOf(const std::string& name) const { return (m_path / name).string(); }
    // Writes a file below the folder, creating its sub-folders, and returns its path.
    std::string Write(const std::string& name, const std::string& text) const {
        const std::filesystem::path path = m_path / name;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << text;
        return path.string();
    }

private:
    std::filesystem::path m_path;
};
