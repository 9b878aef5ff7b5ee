// SPDX-License-Identifier: MIT
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "driver/DriverBackend.h"

// The backend named by BOREALIX_MACHINE: unset or empty is this machine's
// hardware, "builtin" or a machine file a simulated machine. Null with the
// loader's message when the machine file is bad; warnings do not stop it.
std::unique_ptr<DriverBackend> CreateBackend(const char* machine, std::string* error,
                                             std::vector<std::string>* warnings);
