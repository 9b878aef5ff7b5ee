// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pcidef/ConfigWindow.h"

// The memory-mapped configuration windows, one per entry and segment, in the
// bytes of the ACPI MCFG table; empty when the table is missing, unreadable or malformed
// (then no physical address is redirected).
std::vector<ConfigWindow> ParseMcfgTable(const std::vector<uint8_t>& table);
std::vector<ConfigWindow> ReadMcfgTable(const std::string& path);
