#include "platform/MachineMemory.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <limits>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

constexpr std::uint64_t NoLimit = std::numeric_limits<std::uint64_t>::max();

std::atomic<std::uint64_t> g_bytesForTesting{0};

std::uint64_t PhysicalBytes() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageBytes = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageBytes <= 0) {
        return NoLimit;
    }
    return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageBytes);
}

// Calls `take` with each line of a text file, without its line end, until it returns true;
// whether one did. Read through the C library, whose small buffers stay off the C++ heap that
// some tests watch.
bool FindLine(const std::string& path, const std::function<bool(const std::string&)>& take) {
    std::FILE* file = std::fopen(path.c_str(), "re");
    if (file == nullptr) {
        return false;
    }
    char* line = nullptr;
    std::size_t capacity = 0;
    bool found = false;
    for (ssize_t length = 0; !found && (length = getline(&line, &capacity, file)) > 0;) {
        found = take(std::string(line, line[length - 1] == '\n' ? length - 1 : length));
    }
    std::free(line);
    std::fclose(file);
    return found;
}

// A limit file's number; NoLimit for "max", a missing file or anything else.
std::uint64_t ReadLimit(const std::string& path) {
    std::uint64_t bytes = NoLimit;
    FindLine(path, [&bytes](const std::string& line) {
        char* end = nullptr;
        const unsigned long long value = std::strtoull(line.c_str(), &end, 10);
        if (end != line.c_str() && *end == '\0') {
            bytes = value;
        }
        return true;
    });
    return bytes;
}

// Where the hierarchy of the memory controller is mounted, and the folder of its root that the
// mount shows, from /proc/self/mountinfo below `fileSystem`: the cgroup2 hierarchy when
// `version2`, else the cgroup (v1) one with the memory option. False when there is none.
bool FindHierarchy(const std::string& fileSystem, bool version2, std::string& mountPoint,
                   std::string& root) {
    return FindLine(fileSystem + "/proc/self/mountinfo", [&](const std::string& line) {
        // "id parent major:minor root mount-point options [optional...] - type source super"
        const std::size_t separator = line.find(" - ");
        if (separator == std::string::npos) {
            return false;
        }
        std::istringstream before(line.substr(0, separator));
        std::istringstream after(line.substr(separator + 3));
        std::string id, parent, device, type, source, options;
        before >> id >> parent >> device >> root >> mountPoint;
        after >> type >> source >> options;
        const bool memory = ("," + options + ",").find(",memory,") != std::string::npos;
        return version2 ? type == "cgroup2" : (type == "cgroup" && memory);
    });
}

// The process's folder in a hierarchy, from /proc/self/cgroup below `fileSystem`: the "0::"
// line of cgroup v2, or the line whose controllers include memory.
bool FindGroup(const std::string& fileSystem, bool version2, std::string& group) {
    return FindLine(fileSystem + "/proc/self/cgroup", [&](const std::string& line) {
        const std::size_t first = line.find(':');
        const std::size_t second = line.find(':', first + 1);
        if (first == std::string::npos || second == std::string::npos) {
            return false;
        }
        const std::string controllers = "," + line.substr(first + 1, second - first - 1) + ",";
        group = line.substr(second + 1);
        return version2 ? line.compare(0, 3, "0::") == 0
                        : controllers.find(",memory,") != std::string::npos;
    });
}

// The lowest limit of `fileName` from the process's group up to the mount's root, in the
// file system below `fileSystem` ("" for the machine's own).
std::uint64_t GroupLimit(const std::string& fileSystem, bool version2, const char* fileName) {
    std::string mountPoint, root, group;
    if (!FindHierarchy(fileSystem, version2, mountPoint, root) ||
        !FindGroup(fileSystem, version2, group)) {
        return NoLimit;
    }
    // The part of the group's path below what the mount shows; a group outside it (another
    // namespace's) is judged by the mount's root alone.
    const std::string shown = root == "/" ? "" : root;
    std::string below =
        group.compare(0, shown.size(), shown) == 0 ? group.substr(shown.size()) : "";
    std::uint64_t limit = NoLimit;
    for (;;) {
        limit = std::min(limit, ReadLimit(fileSystem + mountPoint + below + "/" + fileName));
        const std::size_t slash = below.rfind('/');
        if (below.empty() || slash == std::string::npos) {
            return limit;
        }
        below.erase(slash);
    }
}

} // namespace

std::uint64_t MachineMemory::Bytes() {
    if (const std::uint64_t injected = g_bytesForTesting.load()) {
        return injected;
    }
    // Measured once: budgets are taken often, and the machine does not change under them.
    static const std::uint64_t measured = LimitedBytes("/", PhysicalBytes());
    return measured;
}

std::uint64_t MachineMemory::LimitedBytes(const std::string& root, std::uint64_t physicalBytes) {
    const std::string fileSystem = root.substr(0, root.find_last_not_of('/') + 1);
    return std::min({physicalBytes, GroupLimit(fileSystem, true, "memory.max"),
                     GroupLimit(fileSystem, false, "memory.limit_in_bytes")});
}

std::uint64_t MachineMemory::Cap(std::uint64_t budget) {
    return std::min(budget, Bytes() / BudgetShareDivisor);
}

void MachineMemory::SetBytesForTesting(std::uint64_t bytes) {
    g_bytesForTesting = bytes;
}
