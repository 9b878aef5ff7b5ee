// SPDX-License-Identifier: MIT
#include "pci/DeviceListLine.h"

#include <cstdio>

#include "pci/names/DescriptionFilesHeld.h"
#include "pci/names/PciClassFile.h"
#include "pci/names/PciIdFile.h"

namespace {

std::string Printed(const char* format, const std::string& vendorPart, const PciDeviceEntry& e) {
    int length =
        std::snprintf(nullptr, 0, format, static_cast<unsigned>(e.vendorId), vendorPart.c_str(),
                      static_cast<unsigned>(e.deviceId), static_cast<unsigned>(e.bus),
                      static_cast<unsigned>(e.device), static_cast<unsigned>(e.function));
    std::string text(static_cast<size_t>(length), '\0');
    std::snprintf(text.data(), text.size() + 1, format, static_cast<unsigned>(e.vendorId),
                  vendorPart.c_str(), static_cast<unsigned>(e.deviceId),
                  static_cast<unsigned>(e.bus), static_cast<unsigned>(e.device),
                  static_cast<unsigned>(e.function));
    return text;
}

}  // namespace

std::string FormatDeviceListLine(const PciDeviceEntry& entry) {
    std::string vendorName = LookupVendorName(static_cast<uint32_t>(entry.vendorId));
    std::string vendorPart = vendorName.empty() ? std::string() : "(" + vendorName + ")";
    std::string className;
    if (LookupClassName(static_cast<uint32_t>(entry.classCode), &className) == 1) {
        return className +
               Printed(" (VendorID=%04X %s, DeviceID=%04X, Bus %X, Device %X, Function %X)",
                       vendorPart, entry);
    }
    return Printed("VendorID=%04X %s, DeviceID=%04X, Bus %X, Device %X, Function %X", vendorPart,
                   entry);
}

std::string FormatDeviceListLine(const PciDeviceEntry& entry, uint16_t segment) {
    std::string line = FormatDeviceListLine(entry);
    if (segment == 0) return line;
    char named[16];
    std::snprintf(named, sizeof named, ", Segment %X", static_cast<unsigned>(segment));
    // Inside the closing bracket where the line has one.
    const bool bracketed = !line.empty() && line.back() == ')';
    line.insert(bracketed ? line.size() - 1 : line.size(), named);
    return line;
}

DeviceListLines BuildDeviceListLines(const PciDeviceTable& table, int32_t filter) {
    const DescriptionFilesHeld held;
    DeviceListLines list;
    for (int32_t row = 0; row < table.Rows(); ++row) {
        const PciDeviceEntry& entry = table.rows[static_cast<size_t>(row)];
        if (!PassesDeviceFilter(entry.kind, filter)) continue;
        list.lines.push_back(FormatDeviceListLine(entry, table.Segment(row)));
        list.rows.push_back(row);
    }
    return list;
}
