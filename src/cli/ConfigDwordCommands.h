// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

// read BB:DD.F OFFSET [--json]: one configuration dword, "%08X\n" on stdout.
int RunReadCommand(const std::vector<std::string>& arguments);
// write BB:DD.F OFFSET VALUE: one configuration dword, written as the PCI
// window writes it (through the window for PCI Express functions).
int RunWriteCommand(const std::vector<std::string>& arguments);
