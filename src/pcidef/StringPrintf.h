// SPDX-License-Identifier: MIT
#pragma once

#include <string>

namespace pcidef {

// printf into a string, for the notes and texts the description writes.
std::string StringPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace pcidef
