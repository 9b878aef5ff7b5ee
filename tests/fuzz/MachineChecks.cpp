// SPDX-License-Identifier: MIT
#include "MachineChecks.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "FuzzCheck.h"

namespace {

// Reads around every region and the window: edges are where lengths go wrong.
void CheckPhysical(const SimMachine& machine) {
    std::vector<uint8_t> bytes(0x2000);
    std::vector<uint64_t> addresses{0, 0xFFFFF000u};
    for (const MemoryRegion& region : machine.Regions()) {
        addresses.push_back(region.Base());
        addresses.push_back(region.End() > 0x1000 ? region.End() - 0x1000 : 0);
    }
    for (const ConfigWindow& window : machine.Windows()) addresses.push_back(window.base);
    for (uint64_t address : addresses) {
        const uint64_t length = std::min<uint64_t>(bytes.size(), (uint64_t{1} << 32) - address);
        if (address >= (uint64_t{1} << 32) || length == 0) continue;
        machine.ReadPhysical(static_cast<uint32_t>(address), bytes.data(),
                             static_cast<uint32_t>(length));
    }
}

}  // namespace

void CheckMachineLoad(const MachineLoad& load, const std::string& fileName) {
    if (!load.Ok()) {
        // A refusal says which file and what is wrong, in a line or a few.
        FUZZ_CHECK(load.error.find(fileName) != std::string::npos);
        FUZZ_CHECK(load.error.size() > fileName.size() && load.error.size() < 1024);
        return;
    }
    FUZZ_CHECK(load.error.empty());
    const SimMachine& machine = *load.machine;
    for (const PciFunction& function : machine.Functions()) {
        FUZZ_CHECK(function.Address().InRange());
        FUZZ_CHECK(machine.Find(function.Address()) == &function);
        for (uint32_t offset = 0; offset < 0x100; offset += 4)
            machine.ConfigRead(function.Address(), offset);
    }
    for (size_t i = 1; i < machine.Regions().size(); ++i)
        FUZZ_CHECK(machine.Regions()[i - 1].End() <= machine.Regions()[i].Base());
    CheckPhysical(machine);
}
