#pragma once

// A folder of its own for one test, removed with everything in it at the end of the test.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <unistd.h>
#include <vector>

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
    // The names of the entries of a folder below this one, sorted.
    std::vector<std::string> Names(const std::string& folder = ".") const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_path / folder)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::filesystem::path m_path;
};
