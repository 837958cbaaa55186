#pragma once

// A new file written beside the file it replaces and renamed over it only once it is whole,
// so that the path holds either the old content or all of the new, never a part of it. The
// new file has an unguessable name and is made exclusively, never through a link. A path that
// names a symbolic link replaces the link's target, made if the link dangles, and the link
// stays (FilePath::FollowLinks). The new file has the replaced one's permissions from the
// start, so that it is never more open than the old one (a file that was not there gets 0666
// less the umask). Until it is committed the new file is the writer's alone; one that is never
// committed is removed, and the old file stays as it was.

#include "platform/FileDescriptor.h"

#include <optional>
#include <string>
#include <sys/types.h>
#include <system_error>

class ReplacementFile {
public:
    // What Commit makes sure of before the rename.
    enum class Flush {
        // The new file is on disk first: a crash leaves the old file or the new one whole.
        ToDisk,
        // The rename waits for nothing: for files too large to wait for. A crash may still lose
        // the new content where the file system does not write a renamed file first.
        None,
    };
    // What Commit does with a whole new file that cannot be renamed over the target (a mount
    // point, a file that the folder does not let this user replace).
    enum class Unplaced {
        Remove,
        // For content too costly to make again: the file stays beside the target (KeptPath).
        Keep,
    };

    // Makes the new file for the file at a UTF-8 path. Anything but a regular file or a free
    // name there is refused before a file is made (OutputPath::CheckType), and so is a file
    // that may not be written, as an editor refuses it.
    explicit ReplacementFile(const std::string& path);
    // Removes the new file unless it was committed.
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    // Why the new file could not be made (errno's or OutputPath's); nothing when it was.
    std::error_code Error() const { return m_error; }
    // The new file, open for writing, and its UTF-8 path.
    int Descriptor() const { return m_file.Get(); }
    std::string Path() const;

    // Closes the new file and renames it over the target; on failure removes it, or keeps it
    // as `unplaced` says when only the rename failed, and leaves the target untouched. The
    // error is errno's.
    std::error_code Commit(Flush flush = Flush::ToDisk, Unplaced unplaced = Unplaced::Remove);
    // The UTF-8 path of the whole new file that Commit kept beside the target; empty if none.
    const std::string& KeptPath() const { return m_keptPath; }

private:
    std::error_code Start(const std::string& path);
    void Remove();

    std::error_code m_error;
    std::string m_folderPath;
    FileDescriptor m_folder;
    // The target's name in the folder, and the new file's.
    std::string m_name;
    std::string m_temporary;
    FileDescriptor m_file;
    // The replaced file's permissions; none for a new file.
    std::optional<mode_t> m_mode;
    std::string m_keptPath;
};
