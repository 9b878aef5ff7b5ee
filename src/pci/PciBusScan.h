// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <functional>

#include "pci/PciDeviceTable.h"

// Fills the table from row 0 and returns how many rows were written: the
// driver's list of every segment, or on the 9x route a probe of every bus,
// device and function (at most PciDeviceTable::kCapacity rows). 0 with the
// table untouched when the driver cannot be reached. The caller stores the
// count.
int32_t EnumeratePciFunctions(PciDeviceTable& table);

// The function at an address with its kind and identity read (its class is
// not), as the window's bus, device and function boxes choose one; the
// identity all ones where it could not be read.
PciDeviceEntry IdentifyFunction(const FunctionAddress& function);

// PCI_KIND_PCIE when the function at `functionAddress` (register 0) has a
// PCI Express capability, else PCI_KIND_PCI.
int32_t GetPciFunctionKind(uint32_t functionAddress);
// The same for a function of another segment.
int32_t GetPciFunctionKind(uint16_t segment, uint32_t functionAddress);
// The same walk over dwords `read` gives by offset: false where refused,
// leaving the value as it was, as a refused request leaves its variable.
int32_t PciFunctionKindOf(const std::function<bool(uint32_t offset, uint32_t* value)>& read);
