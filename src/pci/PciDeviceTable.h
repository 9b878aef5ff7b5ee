#pragma once

#include <cstdint>

#include "pci/PciDeviceEntry.h"

// The functions a scan found, in the order found; rows 0 to count-1 valid.
struct PciDeviceTable {
    static constexpr int32_t kCapacity = 1024;
    PciDeviceEntry rows[kCapacity] = {};
    int32_t count = 0;
};
