// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

#include "sim/MachineLoad.h"

// This machine's PCI functions as the peer, lspci, sees them: read only.

// True when the kernel lists PCI functions here.
bool HasPciFunctions();
// "" when the programs of a test may reach this machine's hardware with a
// driver of their own: as root (the system driver is never there in tests).
std::string OwnDriverUnavailable();
// "" when lspci can be run, else why not.
std::string LspciUnavailable();
// "BB:DD.F" of every segment-0 function lspci lists, in its order.
std::vector<std::string> LspciFunctions();
// `lspci -xxx` (the whole 256 bytes when run as root) as a simulated machine.
MachineLoad LspciConfigurationDump();
