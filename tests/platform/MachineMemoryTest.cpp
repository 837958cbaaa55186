#include "platform/MachineMemory.h"

#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr std::uint64_t GiB = std::uint64_t{1} << 30;
constexpr std::uint64_t Physical = 8 * GiB;

const std::string Version2Mount =
    "30 24 0:26 / /sys/fs/cgroup rw,nosuid,nodev,noexec - cgroup2 cgroup2 rw\n";
const std::string Version1Mounts =
    "34 30 0:29 / /sys/fs/cgroup/cpu rw,nosuid - cgroup cgroup rw,cpu,cpuacct\n"
    "35 30 0:30 / /sys/fs/cgroup/memory rw,nosuid - cgroup cgroup rw,memory\n";

// A machine's /proc and control-group files, in a folder of the name.
struct Machine {
    std::string name;
    std::string mountinfo;
    std::string cgroup;
    std::vector<std::pair<std::string, std::string>> files;
    std::uint64_t bytes;
};

TEST(MachineMemoryTest, LowestLimitOnTheWayUpAndNeverAbovePhysicalMemory) {
    const std::vector<Machine> machines = {
        {"v2-unlimited",
         Version2Mount,
         "0::/user.slice/app.scope\n",
         {{"sys/fs/cgroup/user.slice/app.scope/memory.max", "max\n"},
          {"sys/fs/cgroup/user.slice/memory.max", "max\n"}},
         Physical},
        {"v2-nested",
         Version2Mount,
         "0::/a/b/c\n",
         {{"sys/fs/cgroup/a/b/c/memory.max", "max\n"},
          {"sys/fs/cgroup/a/b/memory.max", "1073741824\n"},
          {"sys/fs/cgroup/a/memory.max", "2147483648\n"}},
         GiB},
        {"v2-above-physical",
         Version2Mount,
         "0::/big\n",
         {{"sys/fs/cgroup/big/memory.max", "17179869184\n"}},
         Physical},
        // The mount shows the group's own folder as its root, as in a container.
        {"v2-group-as-root",
         "30 24 0:26 /box /sys/fs/cgroup rw - cgroup2 cgroup2 rw\n",
         "0::/box\n",
         {{"sys/fs/cgroup/memory.max", "3221225472\n"}},
         3 * GiB},
        // v1 writes a huge number, not "max", where no limit is set.
        {"v1",
         Version1Mounts,
         "5:cpu,cpuacct:/other\n4:memory:/docker/abc\n",
         {{"sys/fs/cgroup/memory/docker/abc/memory.limit_in_bytes", "1073741824\n"},
          {"sys/fs/cgroup/memory/docker/memory.limit_in_bytes", "9223372036854771712\n"}},
         GiB},
    };
    const ScratchFolder folder;
    for (const Machine& machine : machines) {
        SCOPED_TRACE(machine.name);
        folder.Write(machine.name + "/proc/self/mountinfo", machine.mountinfo);
        folder.Write(machine.name + "/proc/self/cgroup", machine.cgroup);
        for (const auto& [name, text] : machine.files) {
            folder.Write(machine.name + "/" + name, text);
        }
        EXPECT_EQ(MachineMemory::LimitedBytes(folder.PathOf(machine.name) + "/", Physical),
                  machine.bytes);
    }
}

} // namespace
