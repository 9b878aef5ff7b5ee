#pragma once

#include <cstdint>

inline constexpr int32_t PCI_KIND_PCI = 1;
inline constexpr int32_t PCI_KIND_PCIE = 2;

// One row of the device table.
struct PciDeviceEntry {
    int32_t bus;
    int32_t device;
    int32_t function;
    int32_t deviceId;
    int32_t vendorId;
    int32_t classCode;  // dword 0x08 >> 8
    int32_t kind;       // PCI_KIND_PCI or PCI_KIND_PCIE
};
static_assert(sizeof(PciDeviceEntry) == 7 * sizeof(int32_t));
