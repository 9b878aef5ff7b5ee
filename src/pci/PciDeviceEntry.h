// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "pcidef/FunctionAddress.h"

inline constexpr int32_t PCI_KIND_PCI = 1;
inline constexpr int32_t PCI_KIND_PCIE = 2;

// One row of the device table: seven int32s, the first three the function
// of segment 0.
struct PciDeviceEntry {
    int32_t bus;
    int32_t device;
    int32_t function;
    int32_t deviceId;
    int32_t vendorId;
    int32_t classCode;  // dword 0x08 >> 8
    int32_t kind;       // PCI_KIND_PCI or PCI_KIND_PCIE

    // A row of that function, its other fields 0.
    static PciDeviceEntry Of(const FunctionAddress& address) {
        return {address.bus, address.device, address.function, 0, 0, 0, 0};
    }
    // Its dword 0x00 as read: device ID << 16 | vendor ID.
    uint32_t Identity() const {
        return static_cast<uint32_t>(deviceId) << 16 | static_cast<uint32_t>(vendorId);
    }
    FunctionAddress Address() const {
        return {static_cast<uint8_t>(bus), static_cast<uint8_t>(device),
                static_cast<uint8_t>(function)};
    }
};
static_assert(sizeof(PciDeviceEntry) == 7 * sizeof(int32_t));
