// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "pcidef/DecodedFunction.h"

// Writing fields by name: from `NAME=VALUE` assignments (values as
// FieldValueParse.h reads them), the dwords to write and what to put in
// them. Only the named fields' bits change; RW1C bits of the same dword
// that are not named are written as 0, so a write beside a status bit does
// not clear it, and a named RW1C field is written with its value (1
// clears). Read-only and reserved fields, unknown names and values that do
// not fit are refused, each with a message naming it.
namespace pcidef {

struct FieldChange {
    std::string name;  // full name
    const FieldDef* field;
    uint8_t shift;   // the field's lowest bit in the dword
    uint32_t value;  // the raw value written

    uint32_t ValueIn(uint32_t dword) const {
        return (dword >> shift) & (field->Mask() >> field->low);
    }
};

struct DwordWrite {
    uint32_t offset;     // dword-aligned
    uint32_t mask = 0;   // the named fields' bits
    uint32_t bits = 0;   // their new values, in place
    uint32_t clear = 0;  // RW1C bits not named, written as 0
    std::vector<FieldChange> changes;

    // The dword to write over the one read now.
    uint32_t Apply(uint32_t current) const { return (current & ~mask & ~clear) | bits; }
};

struct FieldWrite {
    std::vector<DwordWrite> writes;  // one per dword, in offset order
    std::vector<std::string> errors;

    bool Ok() const { return errors.empty(); }

    static FieldWrite Plan(const DecodedFunction& function,
                           std::span<const std::string> assignments);

  private:
    void Add(const DecodedFunction& function, const std::string& assignment);
    DwordWrite& WriteAt(const DecodedFunction& function, uint32_t offset);
};

}  // namespace pcidef
