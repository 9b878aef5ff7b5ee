// SPDX-License-Identifier: MIT
#pragma once

#include <string>

#include "sim/MachineLoad.h"

// What every machine load must give: a machine, or a message that names the
// file; and a machine that answers every request as a machine does.
void CheckMachineLoad(const MachineLoad& load, const std::string& fileName);
