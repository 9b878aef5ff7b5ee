// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "pcidef/DecodedFunction.h"

// Full names of registers and fields: KEY.Register.Field for a capability
// ("PCIe.LnkSta.Speed"), Register.Field for the header
// ("Command.BusMaster"), and KEY@OFFSET.Register.Field, the offset in hex,
// to name one of several capabilities with the same key ("VSEC@140.Hdr.ID").
// Leaving the field out names the whole register; a register that is one
// number ("SRIOV.NumVFs") is also its own field. Names are case-sensitive.
namespace pcidef {

struct FieldLocation {
    const DecodedStructure* structure = nullptr;
    const DecodedRegister* reg = nullptr;
    const FieldDef* field = nullptr;  // nullptr: the whole register
};

struct NameLookup {
    FieldLocation location;
    std::string error;  // why the name names nothing here; empty when found

    bool Ok() const { return error.empty(); }
};

NameLookup FindName(const DecodedFunction& function, std::string_view name);

// The name FindName takes for this register or field.
std::string FullName(const DecodedFunction& function, const DecodedRegister& reg,
                     const FieldDef* field = nullptr);
// The same, after what `out` holds.
void AppendFullName(std::string& out, const DecodedFunction& function, const DecodedRegister& reg,
                    const FieldDef* field);

// The value of a named field or register, when it is there and was read.
std::optional<uint32_t> ValueOf(const DecodedFunction& function, std::string_view name);

}  // namespace pcidef
