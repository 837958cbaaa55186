#pragma once

// Work done in a child process of the test, where limits (on the size of files, on memory)
// and counts (of memory, of bytes read) touch nothing else.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <functional>
#include <string>

namespace ChildProcess {

// AddressSanitizer reserves far more address space than any limit of the address space
// leaves.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool AddressSpaceCanBeLimited = false;
#else
constexpr bool AddressSpaceCanBeLimited = true;
#endif

// The exit statuses of a child whose address space could not be limited, and of one whose
// work an exception left.
constexpr int NoLimitStatus = 100;
constexpr int ExceptionStatus = 101;

// Runs `work` in a forked child, which exits with the status that `work` returns; what the
// work wrote to the descriptor that it is given is `output`. The exit status, or -1 when the
// child did not exit (as when it aborted) or could not start.
inline int Run(const std::function<int(int output)>& work, std::string& output) {
    int channel[2];
    if (::pipe(channel) != 0) {
        return -1;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        try {
            ::_exit(work(channel[1]));
        } catch (...) {
            ::_exit(ExceptionStatus);
        }
    }
    ::close(channel[1]);
    output.clear();
    char buffer[4096];
    for (ssize_t count; child > 0 && (count = ::read(channel[0], buffer, sizeof buffer)) > 0;) {
        output.append(buffer, static_cast<std::size_t>(count));
    }
    ::close(channel[0]);
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) {
        return -1;
    }
    return WEXITSTATUS(status);
}

// Runs `work` in a child and returns the text that it returned; a note that says so when
// the child did not end normally.
inline std::string Output(const std::function<std::string()>& work) {
    std::string output;
    const int status = Run(
        [&work](int channel) {
            const std::string text = work();
            for (std::size_t done = 0; done < text.size();) {
                const ssize_t written = ::write(channel, text.data() + done, text.size() - done);
                if (written <= 0) {
                    return 1;
                }
                done += static_cast<std::size_t>(written);
            }
            return 0;
        },
        output);
    return status == 0 ? output : "(the child did not end)";
}

// Runs `work` in a child whose address space may grow only by `room` bytes, so that an
// allocation past it fails as it would on a machine without that memory (without the limit
// where it cannot be set, AddressSpaceCanBeLimited). The exit status that the work returns:
// NoLimitStatus when the limit could not be set, ExceptionStatus when an exception left the work,
// -1 when the child did not exit (as when it aborted).
inline int ExitStatusWithAddressSpaceRoom(std::size_t room, const std::function<int()>& work) {
    std::string output;
    return Run(
        [room, &work](int) {
            std::size_t pages = 0;
            std::ifstream("/proc/self/statm") >> pages;
            const rlim_t limit = pages * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE)) + room;
            const rlimit space{limit, limit};
            if (AddressSpaceCanBeLimited && ::setrlimit(RLIMIT_AS, &space) != 0) {
                return NoLimitStatus;
            }
            return work();
        },
        output);
}

// Lets the files of this process grow to `bytes` at most, as on a full disk: a write past it
// fails with EFBIG rather than ending the process. For a child's work.
inline void LimitFileSize(rlim_t bytes) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{bytes, bytes};
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

// The bytes that this process has read with system calls so far.
inline std::uint64_t BytesRead() {
    std::ifstream io("/proc/self/io");
    std::string field;
    std::uint64_t value = 0;
    while (io >> field >> value) {
        if (field == "rchar:") {
            return value;
        }
    }
    return 0;
}

} // namespace ChildProcess
