// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// scan [--filter both|pci|pcie]: the device-list lines, one per line on
// stdout. Returns the exit code; kExitUsage for arguments it does not know.
int RunScanCommand(const std::vector<std::string>& arguments);
