// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// The vendor and device names of "PciId.txt", from one pass over its text,
// answering exactly as reading the lines from the top would: the first
// vendor line with a number names the vendor, and only the block after it
// (up to the next vendor line of any number) names its devices.
class PciIdIndex {
  public:
    explicit PciIdIndex(std::string text);
    PciIdIndex(const PciIdIndex&) = delete;
    PciIdIndex& operator=(const PciIdIndex&) = delete;

    // Empty when there is no such line, or its name is empty.
    std::string VendorName(uint32_t vendorId) const;
    std::string DeviceName(uint32_t vendorId, uint32_t deviceId) const;

  private:
    struct Vendor {
        std::string_view name;
        // Where its first block's lines lie in the text.
        size_t blockBegin;
        size_t blockEnd;
    };
    struct Device {
        uint32_t id;
        std::string_view name;
    };

    // A vendor's first block's devices read so far, in file order, and where
    // reading stopped.
    struct Devices {
        std::vector<Device> read;
        size_t readTo = 0;
    };

    // The name of the first device line of that number in the vendor's
    // first block (empty when none); called with devicesMutex_ held.
    std::string_view FindDevice(const Vendor& vendor, uint32_t vendorId, uint32_t deviceId) const;

    std::string text_;
    std::unordered_map<uint32_t, Vendor> vendors_;
    mutable std::mutex devicesMutex_;
    mutable std::unordered_map<uint32_t, Devices> devices_;
};
