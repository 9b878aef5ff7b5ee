// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>

#include "pci/names/DescriptionFile.h"

inline constexpr const char* kRegisterDescriptionFileName = "regdes.txt";
inline constexpr const char* kNoRegisterDescription = "PCI device specific";

// The description of the register at `offset` for the function whose dword
// 0x00 is `identity`, read from where `file` stands (the caller rewinds it to
// the top first); "PCI device specific" when the file has none.
void LookupRegisterDescription(DescriptionFile& file, uint32_t offset, uint32_t identity,
                               std::string* description);
