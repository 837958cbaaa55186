#include "platform/OutputPath.h"

#include <cerrno>
#include <sys/stat.h>

namespace OutputPath {
namespace {

class Category : public std::error_category {
public:
    const char* name() const noexcept override { return "output path"; }
    std::string message(int) const override { return "not a regular file"; }
};

} // namespace

std::error_code NotRegularFile() {
    static const Category category;
    return std::error_code(1, category);
}

std::error_code CheckType(mode_t mode) {
    if (S_ISREG(mode)) {
        return std::error_code();
    }
    return S_ISDIR(mode) ? std::make_error_code(std::errc::is_a_directory) : NotRegularFile();
}

std::error_code Check(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 ? CheckType(status.st_mode) : std::error_code();
}

} // namespace OutputPath
