#pragma once

// The memory that this process can have on the machine: its physical memory, or the limit of
// the process's control group where one is set lower (cgroup v2 memory.max, v1
// memory.limit_in_bytes, the lowest on the way up to the hierarchy's root). Budgets for what
// a file can make the program allocate are capped by a share of it, so that a file that fits
// a large machine is refused on a small one instead of getting the program killed.

#include <cstdint>
#include <string>

class MachineMemory {
public:
    // Of the memory, a budget may take this share.
    static constexpr std::uint64_t BudgetShareDivisor = 4;

    // Measured once, on the first call: LimitedBytes of the machine's own file system.
    static std::uint64_t Bytes();
    // The lower of `physicalBytes` and the limits of this process's control groups, as the
    // files of /proc and of the groups' hierarchies below the folder `root` give them.
    static std::uint64_t LimitedBytes(const std::string& root, std::uint64_t physicalBytes);
    // `budget`, or the budgets' share of Bytes() where that is less.
    static std::uint64_t Cap(std::uint64_t budget);

    // Makes Bytes answer `bytes` instead of what the machine has; 0 asks the machine again.
    // For tests that stand for a machine of another size.
    static void SetBytesForTesting(std::uint64_t bytes);
};
