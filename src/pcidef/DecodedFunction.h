// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "pcidef/ConfigSpaceDef.h"

namespace pcidef {

// One register as read: where it is, its value, and its description.
struct DecodedRegister {
    static constexpr uint16_t kSingle = 0xFFFF;

    const RegisterDef* def;
    uint16_t offset;     // in the configuration space
    uint16_t structure;  // index into DecodedFunction::Structures()
    uint16_t index;      // copy number of a repeated register, else kSingle
    bool readable;       // false: the dword was refused and `value` is 0
    uint32_t value;

    std::string Name() const;  // "LnkSta", "Ctrl1"
    bool NameIs(std::string_view name) const;
    std::string DisplayName() const;  // "Link Status", "Resizable BAR Control 1"
    uint32_t FieldValue(const FieldDef& field) const { return (value & field.Mask()) >> field.low; }
    uint32_t Width() const { return def->width; }
};

// The header or one capability.
struct DecodedStructure {
    const StructureDef* def;
    uint16_t id;
    uint8_t version;  // extended capabilities; 0 for the others
    uint16_t offset;
    uint16_t end;    // registers stop before it: the next structure or the end
    bool ambiguous;  // its key names more than one structure of the function
    uint32_t first;  // its registers in DecodedFunction::Registers()
    uint32_t count;

    bool IsHeader() const { return def->space == Space::Header; }
    bool Extended() const { return def->space == Space::Extended; }
    std::string Key() const;     // "PCIe"; "CAP16" or "ECAP0035" for unknown IDs
    std::string Prefix() const;  // "PCIe", "VSEC@140" when ambiguous, "" for the header
    std::string_view DisplayName() const { return def->display; }
};

// A function's configuration space laid against the description: the
// header, the capabilities in chain order, and notes on whatever could not
// be followed or did not fit.
class DecodedFunction {
  public:
    uint32_t Size() const { return size_; }
    const DecodedStructure& Header() const { return structures_.front(); }
    std::span<const DecodedStructure> Structures() const { return structures_; }
    std::span<const DecodedStructure> Capabilities() const {
        return std::span(structures_).subspan(1);
    }
    std::span<const DecodedRegister> Registers() const { return registers_; }
    std::span<const DecodedRegister> Registers(const DecodedStructure& structure) const {
        return std::span(registers_).subspan(structure.first, structure.count);
    }
    const DecodedStructure& StructureOf(const DecodedRegister& reg) const {
        return structures_[reg.structure];
    }
    const std::vector<std::string>& Notes() const { return notes_; }

    // The registers that lie in the dword at `offset`, in offset order.
    std::vector<const DecodedRegister*> RegistersAt(uint32_t offset) const;

  private:
    friend class ConfigDecoder;

    uint32_t size_ = 0;
    std::vector<DecodedStructure> structures_;
    std::vector<DecodedRegister> registers_;  // by structure, each in offset order
    std::vector<uint16_t> byOffset_;          // indices into registers_, in offset order
    std::vector<std::string> notes_;
};

}  // namespace pcidef
