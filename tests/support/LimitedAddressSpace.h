#pragma once

// Runs work in a child process whose address space may grow only by a given room, so that an
// allocation past it fails as it would on a machine without that memory. Under
// AddressSanitizer, which reserves far more address space than any such limit leaves, the
// child runs without the limit.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstddef>
#include <fstream>
#include <functional>

// AddressSanitizer reserves far more address space than any such limit leaves.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool AddressSpaceCanBeLimited = false;
#else
constexpr bool AddressSpaceCanBeLimited = true;
#endif

// The exit status that work returns in the child: 100 when the limit could not be set, 101
// when an exception left the work, -1 when the child did not exit (as when it aborted).
inline int ExitStatusWithAddressSpaceRoom(std::size_t room, const std::function<int()>& work) {
    const pid_t child = fork();
    if (child == 0) {
        std::size_t pages = 0;
        std::ifstream("/proc/self/statm") >> pages;
        const rlim_t limit = pages * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + room;
        const rlimit space{limit, limit};
        if (AddressSpaceCanBeLimited && setrlimit(RLIMIT_AS, &space) != 0) {
            _exit(100);
        }
        try {
            _exit(work());
        } catch (...) {
            _exit(101);
        }
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
