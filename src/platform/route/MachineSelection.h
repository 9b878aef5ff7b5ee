// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>

// Far beyond any real machine file (thousands of functions with 4096 bytes
// each): a longer one is refused, not read.
inline constexpr uint64_t kMaxMachineFileBytes = uint64_t{64} << 20;

// --machine FILE|builtin: sets BOREALIX_MACHINE for the driver this process
// starts, and moves the runtime directory to machines/KEY under the current
// one, KEY a hash of the machine file's absolute path and contents (left
// where it is when that one may not be trusted: loading the driver refuses
// it then). Returns false with a message when the file cannot be read.
bool SelectMachine(const std::string& fileOrBuiltin, std::string* error);
