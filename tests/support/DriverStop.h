// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>
#include <vector>

// How tests stop drivers, all with the driver's own stop frame.

// Sends a stop frame; true when the driver answered it.
bool SendStopFrame(const std::string& socketPath);

// Stops the driver a program or CLI run started in this process's runtime
// directory for `machine` (a machine file, "builtin", or nullopt for this
// machine's hardware) and removes its service record, as the program does.
void StopMachineDriver(const std::optional<std::string>& machine);

// Sends a stop frame to every driver socket under `directory` that answers
// it; the sockets of the drivers stopped.
std::vector<std::string> StopDriversUnder(const std::string& directory);
