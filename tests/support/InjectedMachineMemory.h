#pragma once

// Stands for a machine of `bytes` of memory while it lives (MachineMemory).

#include "platform/MachineMemory.h"

#include <cstdint>

class InjectedMachineMemory {
public:
    explicit InjectedMachineMemory(std::uint64_t bytes) {
        MachineMemory::SetBytesForTesting(bytes);
    }
    ~InjectedMachineMemory() { MachineMemory::SetBytesForTesting(0); }
    InjectedMachineMemory(const InjectedMachineMemory&) = delete;
    InjectedMachineMemory& operator=(const InjectedMachineMemory&) = delete;
};
