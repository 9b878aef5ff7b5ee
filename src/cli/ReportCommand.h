// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

// report --all | --current BB:DD.F [--base auto|HEX] [-o FILE]: the PCI
// window's report, byte for byte. Returns the exit code.
int RunReportCommand(const std::vector<std::string>& arguments);
