// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <vector>

#include "pcidef/ConfigRegisters.h"
#include "pcidef/FunctionAddress.h"

// One simulated function: its configuration space (256 or 4096 bytes) and a
// mask whose set bits take written values.
class PciFunction {
  public:
    static constexpr size_t kLegacySize = pcireg::kConfigSize;
    static constexpr size_t kExtendedSize = pcireg::kExtendedConfigSize;

    // config and writable must have the same size, 256 or 4096.
    PciFunction(FunctionAddress address, std::vector<uint8_t> config,
                std::vector<uint8_t> writable);

    // Everything writable except the IDs, revision/class and header type.
    static std::vector<uint8_t> DefaultMask(size_t size);

    const FunctionAddress& Address() const { return address_; }
    size_t Size() const { return config_.size(); }
    const std::vector<uint8_t>& Config() const { return config_; }

    // Beyond the function's size reads 0 and writes are dropped.
    uint8_t ReadByte(uint32_t offset) const;
    void WriteByte(uint32_t offset, uint8_t value);
    uint32_t ReadDword(uint32_t offset) const;
    void WriteDword(uint32_t offset, uint32_t value);

  private:
    FunctionAddress address_;
    std::vector<uint8_t> config_;
    std::vector<uint8_t> writable_;
};
