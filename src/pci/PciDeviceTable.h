// SPDX-License-Identifier: MIT
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "pci/PciDeviceEntry.h"

// The functions a scan found, in the order found; rows 0 to count-1 valid.
// Each row's segment is kept beside it, as the row itself has none. The
// driver's list fills as many rows as it lists; the probing path stops at
// kCapacity.
struct PciDeviceTable {
    static constexpr int32_t kCapacity = 1024;
    std::vector<PciDeviceEntry> rows;
    std::vector<uint16_t> segments;
    int32_t count = 0;

    // Replaces the rows with these, each of its segment.
    void Assign(std::vector<PciDeviceEntry> entries, std::vector<uint16_t> entrySegments) {
        rows = std::move(entries);
        segments = std::move(entrySegments);
        segments.resize(rows.size(), 0);
    }
    // The valid rows: count, within the rows held.
    int32_t Rows() const { return std::min(count, static_cast<int32_t>(rows.size())); }
    uint16_t Segment(int32_t row) const {
        return static_cast<size_t>(row) < segments.size() ? segments[static_cast<size_t>(row)] : 0;
    }
    FunctionAddress Address(int32_t row) const {
        FunctionAddress address = rows[static_cast<size_t>(row)].Address();
        address.segment = Segment(row);
        return address;
    }
    // Whether the valid rows hold a function outside segment 0: then lines
    // and the window name segments.
    bool ShowsSegments() const {
        for (int32_t row = 0; row < Rows(); ++row) {
            if (Segment(row) != 0) return true;
        }
        return false;
    }
};
