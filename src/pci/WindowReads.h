// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <vector>

#include "pci/ConfigSpaceRead.h"
#include "pci/PciDeviceTable.h"

// What the base address box asks for: the window found by probing, or a base.
struct BaseAddressChoice {
    bool automatic = false;
    uint32_t base = 0;
};

// A function's space as the PCI window reads it, and where it read it: the
// mechanism address of its register 0 for a PCI function, its address in
// the PCI Express window for a PCI Express one.
struct WindowRead {
    uint32_t address = 0;
    ConfigSpaceRead space;
};

// Rows of a device table, each read as the window reads it with `choice` in
// its base box, in few requests: the probes for every row's base a
// candidate at a time, then every space at once.
std::vector<WindowRead> ReadRowsAsWindow(const PciDeviceTable& table, int32_t first, int32_t count,
                                         BaseAddressChoice choice);
