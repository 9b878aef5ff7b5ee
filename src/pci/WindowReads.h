// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "pci/ConfigSpaceBatch.h"
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
    ConfigSpaceView space;
};

// Rows of a device table read as the window reads each, kept where the
// reads put them.
class WindowReads {
  public:
    bool empty() const { return rows_.empty(); }
    const WindowRead& operator[](size_t i) const { return rows_[i]; }

  private:
    friend WindowReads ReadRowsAsWindow(const PciDeviceTable& table, int32_t first, int32_t count,
                                        BaseAddressChoice choice);
    ConfigSpaceBatch mechanism_;
    ConfigSpaceBatch window_;
    std::vector<std::unique_ptr<ConfigSpaceRead>> readAgain_;
    std::vector<WindowRead> rows_;
};

// Rows of a device table, each read as the window reads it with `choice` in
// its base box, in few requests: the probes for every row's base a
// candidate at a time, then every space at once.
WindowReads ReadRowsAsWindow(const PciDeviceTable& table, int32_t first, int32_t count,
                             BaseAddressChoice choice);
