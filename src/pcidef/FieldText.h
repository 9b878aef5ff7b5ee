// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>

#include "pcidef/ConfigSpaceDef.h"
#include "pcidef/DecodedFunction.h"

namespace pcidef {

// What a field's value means, as the window and the CLI show it: "8GT/s",
// "x4", "256 bytes", "yes", "0x8086", "reserved (7)".
std::string FieldText(const FieldDef& field, uint32_t value);

// "vector" for "vectors", "entry" for "entries": the unit of a quantity of 1.
std::string SingularUnit(std::string_view unit);

// Whether a field's text says what it is without the field's name beside
// it: "8GT/s" does, "256 bytes" could be any of several sizes.
bool SelfDescribing(const FieldDef& field);

// A register in short: the texts of its summary fields ("8GT/s x4"), or,
// where none is marked, its fields that are not zero with their names
// ("CorrErr UnsupReq", "ID=0x10 Next=0x50"), "none" when all are, and its
// value in hex when it has no fields.
std::string RegisterSummary(const DecodedRegister& reg);

}  // namespace pcidef
