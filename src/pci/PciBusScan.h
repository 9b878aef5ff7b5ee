#pragma once

#include <cstdint>

#include "pci/PciDeviceTable.h"

// Fills rows from 0 and returns how many were written: the driver's list, or
// on the 9x route a probe of every bus, device and function. 0 with the rows
// untouched when the driver cannot be reached. The caller stores the count.
int32_t EnumeratePciFunctions(PciDeviceEntry (&rows)[PciDeviceTable::kCapacity]);
inline int32_t EnumeratePciFunctions(PciDeviceTable& table) {
    return EnumeratePciFunctions(table.rows);
}

// PCI_KIND_PCIE when the function at `functionAddress` (register 0) has a
// PCI Express capability, else PCI_KIND_PCI.
int32_t GetPciFunctionKind(uint32_t functionAddress);
