// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>

inline constexpr const char* kPciClassFileName = "pcidevcl.txt";
inline constexpr const char* kDescriptionReadError = "PCI description file read error!";

// The first line of "pcidevcl.txt" whose (class AND mask) equals (value AND
// mask) names the 24-bit class code. 0 with `name` untouched when the file
// cannot be opened; else 1 with the name, empty when nothing matches. The
// file is indexed once and read again whenever it changes.
int LookupClassName(uint32_t classCode, std::string* name);
// The next lookup builds the index afresh.
void ForgetPciClassIndex();
