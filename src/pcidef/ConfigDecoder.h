// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "pcidef/CapabilityWalk.h"
#include "pcidef/ConfigView.h"
#include "pcidef/DecodedFunction.h"

namespace pcidef {

// Decodes a function's configuration space, normally 256 or 4096 bytes;
// any bytes at all decode, into whatever of the description fits them.
// `readableDwords`: one entry per dword, non-zero where the dword was read;
// empty when all were. A register in a refused dword is shown as not
// readable, never as the zeros the buffer holds there.
DecodedFunction Decode(std::span<const uint8_t> bytes,
                       std::span<const uint8_t> readableDwords = {});
DecodedFunction Decode(const uint8_t* bytes, size_t size);

// Lays the description over the bytes: which registers are there, how many
// copies of the repeated ones, and where a structure has to stop.
class ConfigDecoder {
  public:
    static DecodedFunction Run(const ConfigView& config);

  private:
    explicit ConfigDecoder(const ConfigView& config) : config_(config) {}

    void ReadExpressContext(const CapabilityWalk& walk);
    void AddStructure(const StructureDef& def, uint16_t id, uint8_t version, uint32_t offset,
                      uint32_t end, const char* endReason);
    void AddRegisters(const RegisterDef& def, uint32_t base, uint32_t end, bool& cut);
    bool Holds(const Condition& condition, uint32_t base, uint32_t end) const;
    uint32_t Copies(const RegisterDef& def, uint32_t base, uint32_t end) const;
    std::optional<uint32_t> FieldAt(uint32_t base, uint32_t end, uint16_t offset, uint8_t low,
                                    uint8_t high) const;
    bool IsUpperHalfBar(uint32_t offset) const;
    void MarkAmbiguousKeys();
    void IndexByOffset();

    const ConfigView& config_;
    DecodedFunction result_;
    const StructureDef* current_ = nullptr;
    int portType_ = -1;
    uint32_t linkWidth_ = 0;
};

}  // namespace pcidef
