// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

// How many processes of the built driver program serve the given runtime
// directory (found through /proc: the program file and BOREALIX_RUNTIME_DIR
// in the environment). Processes of other users count only for root.
int DriverProcessesServing(const std::string& runtimeDirectory);
