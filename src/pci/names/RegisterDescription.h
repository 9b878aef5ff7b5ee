// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

#include "pci/names/DescriptionFile.h"

inline constexpr const char* kRegisterDescriptionFileName = "regdes.txt";
inline constexpr const char* kNoRegisterDescription = "PCI device specific";

// The description of the register at `offset` for the function whose dword
// 0x00 is `identity`, read from where `file` stands (the caller rewinds it to
// the top first); "PCI device specific" when the file has none.
void LookupRegisterDescription(DescriptionFile& file, uint32_t offset, uint32_t identity,
                               std::string* description);

// Every description the file gives one function, read in one pass from where
// the file stands: what LookupRegisterDescription finds for each offset,
// without reading the file again for each register of a listing.
class RegisterDescriptions {
  public:
    RegisterDescriptions(DescriptionFile& file, uint32_t identity);

    // "PCI device specific" for an offset the file does not describe.
    const std::string& Describe(uint32_t offset) const;

  private:
    std::unordered_map<uint32_t, std::string> found_;
};
