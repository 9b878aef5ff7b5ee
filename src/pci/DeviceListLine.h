// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pci/PciDeviceTable.h"

inline constexpr int32_t kDeviceFilterPci = PCI_KIND_PCI;
inline constexpr int32_t kDeviceFilterPciExpress = PCI_KIND_PCIE;
inline constexpr int32_t kDeviceFilterBoth = PCI_KIND_PCI | PCI_KIND_PCIE;

// The device list's text for one row, with the class and vendor names from
// the description files in the current directory.
std::string FormatDeviceListLine(const PciDeviceEntry& entry);
// The same for a function of a segment: outside segment 0 (where a machine
// has more than one) the line ends ", Segment S" (S in hex) before its
// closing bracket, or at its end where the class file is missing and it has
// none; in segment 0 it is the line above.
std::string FormatDeviceListLine(const PciDeviceEntry& entry, uint16_t segment);

inline bool PassesDeviceFilter(int32_t kind, int32_t filter) {
    return (kind & filter) == kind;
}

// The lines of the rows that pass the filter, in table order, and for each
// line the row it stands for.
struct DeviceListLines {
    std::vector<std::string> lines;
    std::vector<int32_t> rows;
};
DeviceListLines BuildDeviceListLines(const PciDeviceTable& table, int32_t filter);
