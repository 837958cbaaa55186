#pragma once

// Work done in a child process of the test, where limits (on the size of files, on memory)
// and counts (of memory, of bytes read) touch nothing else.

#include <cstdint>
#include <fstream>
#include <functional>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace ChildProcess {

// Runs `work` in a forked child and returns the text that it returned; a note that says so
// when the child did not end normally.
inline std::string Output(const std::function<std::string()>& work) {
    int channel[2];
    if (::pipe(channel) != 0) {
        return "(no pipe to the child)";
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        const std::string text = work();
        for (std::size_t done = 0; done < text.size();) {
            const ssize_t written = ::write(channel[1], text.data() + done, text.size() - done);
            if (written <= 0) {
                break;
            }
            done += static_cast<std::size_t>(written);
        }
        ::_exit(0);
    }
    ::close(channel[1]);
    std::string text;
    char buffer[4096];
    for (ssize_t count; (count = ::read(channel[0], buffer, sizeof buffer)) > 0;) {
        text.append(buffer, static_cast<std::size_t>(count));
    }
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? text : "(the child did not end)";
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
