// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

// dump ADDRESS SIZE -o FILE: the physical memory range, byte for byte.
int RunDumpCommand(const std::vector<std::string>& arguments);
// find ADDRESS SIZE [--hex] [--case] TEXT: the address of every match in the
// range, one "%08X" line each.
int RunFindCommand(const std::vector<std::string>& arguments);
