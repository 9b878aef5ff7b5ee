// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

// decode BB:DD.F | --all [--json] [--names] [--base auto|HEX]: the
// structured configuration space of one function or of every function the
// scan finds, in table order. Dwords the driver refuses are shown as not
// readable. --names prints the fields `set` may write instead. Returns the
// exit code.
int RunDecodeCommand(const std::vector<std::string>& arguments);
