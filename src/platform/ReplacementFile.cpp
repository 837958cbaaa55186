#include "platform/ReplacementFile.h"

#include "platform/FilePath.h"
#include "platform/OutputPath.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::error_code LastError() {
    return std::error_code(errno, std::generic_category());
}

// Creates a new file of an unguessable name beside `name` in the folder, with O_EXCL and
// O_NOFOLLOW so that nothing planted there (a file, a link) is ever opened. The mode gets the
// umask and the folder's default ACL, as any new file's does.
FileDescriptor CreateTemporaryBeside(int folder, const std::string& name, mode_t mode,
                                     std::string& temporary) {
    constexpr int Attempts = 16;
    constexpr std::size_t SuffixLength = 24; // ".saving-" and 16 hex digits
    std::random_device random;
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        char suffix[SuffixLength + 1];
        std::snprintf(suffix, sizeof suffix, ".saving-%08x%08x", random(), random());
        temporary = name.substr(0, NAME_MAX - SuffixLength) + suffix;
        FileDescriptor file(::openat(folder, temporary.c_str(),
                                     O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
        if (file.IsOpen() || errno != EEXIST) {
            return file;
        }
    }
    return FileDescriptor();
}

// The permissions of the regular file that is replaced; none for a new file. A file that may
// not be written is not replaced, and nothing but a regular file is replaced at all.
std::error_code GetReplacedMode(int folder, const std::string& name, std::optional<mode_t>& mode) {
    struct stat old {};
    if (::fstatat(folder, name.c_str(), &old, AT_SYMLINK_NOFOLLOW) != 0) {
        return errno == ENOENT ? std::error_code() : LastError();
    }
    if (const std::error_code error = OutputPath::CheckType(old.st_mode)) {
        return error;
    }
    if (::faccessat(folder, name.c_str(), W_OK, AT_EACCESS) != 0) {
        return LastError();
    }
    mode = old.st_mode & 07777;
    return std::error_code();
}

// A file system that cannot flush (EINVAL) has nothing to flush.
bool Sync(int descriptor) {
    return ::fsync(descriptor) == 0 || errno == EINVAL;
}

} // namespace

ReplacementFile::ReplacementFile(const std::string& path) {
    m_error = Start(path);
}

ReplacementFile::~ReplacementFile() {
    Remove();
}

std::error_code ReplacementFile::Start(const std::string& path) {
    std::string target = path;
    if (const std::error_code error = FilePath::FollowLinks(target)) {
        return error;
    }
    const std::filesystem::path targetPath(target);
    m_name = targetPath.filename().string();
    if (m_name.empty() || m_name == "." || m_name == "..") {
        return std::make_error_code(std::errc::is_a_directory);
    }
    m_folderPath = targetPath.has_parent_path() ? targetPath.parent_path().string() : ".";
    m_folder = FileDescriptor(::open(m_folderPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!m_folder.IsOpen()) {
        return LastError();
    }
    if (const std::error_code error = GetReplacedMode(m_folder.Get(), m_name, m_mode)) {
        return error;
    }
    // Made with no more than the old file's permission bits, then given them exactly (the
    // umask may have taken some away) before a byte of the content is written.
    m_file =
        CreateTemporaryBeside(m_folder.Get(), m_name, m_mode ? *m_mode & 0777 : 0666, m_temporary);
    if (!m_file.IsOpen()) {
        const std::error_code error = LastError();
        m_temporary.clear();
        return error;
    }
    if (m_mode && ::fchmod(m_file.Get(), *m_mode) != 0) {
        const std::error_code error = LastError();
        Remove();
        return error;
    }
    return std::error_code();
}

std::string ReplacementFile::Path() const {
    return m_folderPath + "/" + m_temporary;
}

std::error_code ReplacementFile::Commit(Flush flush, Unplaced unplaced) {
    if (m_error || !m_file.IsOpen()) {
        return m_error ? m_error : std::make_error_code(std::errc::bad_file_descriptor);
    }
    const bool toDisk = flush == Flush::ToDisk;
    // The mode once more: writing takes the set-user-ID and set-group-ID bits away from the
    // file of a user without CAP_FSETID.
    if ((m_mode && ::fchmod(m_file.Get(), *m_mode) != 0) || (toDisk && !Sync(m_file.Get())) ||
        !m_file.Close()) {
        const std::error_code error = LastError();
        Remove();
        return error;
    }
    if (::renameat(m_folder.Get(), m_temporary.c_str(), m_folder.Get(), m_name.c_str()) != 0) {
        const std::error_code error = LastError();
        if (unplaced == Unplaced::Keep) {
            m_keptPath = Path();
            m_temporary.clear(); // no longer ours to remove
        } else {
            Remove();
        }
        return error;
    }
    m_temporary.clear();
    // The rename is durable only once the folder is.
    return !toDisk || Sync(m_folder.Get()) ? std::error_code() : LastError();
}

void ReplacementFile::Remove() {
    m_file.Close();
    if (!m_temporary.empty()) {
        ::unlinkat(m_folder.Get(), m_temporary.c_str(), 0);
        m_temporary.clear();
    }
}
