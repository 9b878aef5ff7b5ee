// SPDX-License-Identifier: MIT
#pragma once

#include <string_view>

// The workstation machine file, embedded at build time from
// data/machines/workstation.json.
std::string_view BuiltinMachineJson();
