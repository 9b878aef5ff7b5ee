// SPDX-License-Identifier: MIT
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "pci/ConfigSpaceBatch.h"
#include "pci/ConfigSpaceRead.h"
#include "pci/PciDeviceEntry.h"

// Every function the driver lists, each with its row as a scan makes it and
// its configuration space as the PCI window reads it: a PCI function's 256
// bytes, a PCI Express function's 4096, and whether it is either as a scan
// finds it. Where the machine has a PCI Express window, every function's
// space is read through it in a few requests (a gather read of many
// functions each) rather than a request per dword; where there is none, or
// a read of it fails, every function is scanned and read one by one as the
// window does.
struct FunctionSpace {
    PciDeviceEntry entry;
    FunctionAddress address;  // the entry's function, with its segment
    ConfigSpaceView read;     // held by the FunctionSpaces it came in
};

// Every listed function's space, and the memory the reads left them in.
class FunctionSpaces {
  public:
    const std::vector<FunctionSpace>& Functions() const { return functions_; }

  private:
    friend std::optional<FunctionSpaces> ReadAllFunctionSpaces();
    friend class FunctionSpacesReader;
    std::vector<FunctionSpace> functions_;
    std::vector<ConfigSpaceBatch> windows_;
    std::vector<std::unique_ptr<ConfigSpaceRead>> each_;
};

// In list order; nullopt when the driver could not list the functions.
std::optional<FunctionSpaces> ReadAllFunctionSpaces();

// One function read as the window reads it, its PCI Express window at
// `windowBase`; nothing read (size 0) for a kind that is neither.
ConfigSpaceRead ReadFunctionSpace(const FunctionAddress& function, int32_t kind,
                                  uint32_t windowBase);
