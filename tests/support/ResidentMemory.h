#pragma once

// The resident memory of this process, from /proc/self/status.

#include <fstream>
#include <limits>
#include <string>

// A field of the status in kibibytes: "VmRSS:" now, or "VmHWM:" at its peak since the process
// started or since ResetPeakResidentMemory; -1 when it cannot be read.
inline long ResidentKibibytes(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string name;
    long value = 0;
    while (status >> name) {
        if (name == field && status >> value) {
            return value;
        }
        status.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
    }
    return -1;
}

// The peak starts again from what is resident now.
inline void ResetPeakResidentMemory() {
    std::ofstream("/proc/self/clear_refs") << "5";
}
