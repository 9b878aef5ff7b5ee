// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

// set BB:DD.F NAME=VALUE... [--dry-run] [--base auto|HEX]: writes fields by
// name. Each dword named is read, only the named fields' bits are changed
// (RW1C bits beside them written as 0), written as `write` writes, and read
// back; one line per field gives its value before and after. --dry-run
// prints the values it would write and writes nothing. Refusals (unknown
// names, read-only fields, values that do not fit, dwords that cannot be
// read) go to stderr, each naming its field, and nothing is written.
int RunSetCommand(const std::vector<std::string>& arguments);
