// SPDX-License-Identifier: MIT
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "sim/SimMachine.h"

// The outcome of loading a machine file: a machine, or an error naming the
// file, where in it and what is wrong. Warnings do not stop the load.
struct MachineLoad {
    std::unique_ptr<SimMachine> machine;
    std::string error;
    std::vector<std::string> warnings;

    bool Ok() const { return machine != nullptr; }
};
