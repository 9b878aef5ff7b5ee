// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>

inline constexpr const char* kPciIdFileName = "PciId.txt";

// Vendor and device names from "PciId.txt" in the current directory, as
// reading it from the top would give them; the file is indexed once and read
// again whenever it changes. Empty when the file or the name is missing.
std::string LookupVendorName(uint32_t vendorId);
std::string LookupDeviceName(uint32_t vendorId, uint32_t deviceId);
// The next lookup builds the index afresh.
void ForgetPciIdIndex();
