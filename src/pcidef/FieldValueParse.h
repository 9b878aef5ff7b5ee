// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "pcidef/ConfigSpaceDef.h"

// A value given for a field, as `set NAME=VALUE` takes it. In this order:
//
// 1. A hex number with 0x ("0x1") is the field's raw value, the bits as
//    they stand in the register.
// 2. A text of the field's meaning is the value that reads so ("8GT/s",
//    "256 bytes", "D3hot", "yes"); case and blanks do not matter, and "B",
//    "byte" and "bytes" are one unit ("256B").
// 3. A decimal number is the quantity the field shows where it shows
//    quantities: sizes and counts kept as powers of two or as N-1, and
//    enumerations whose texts are numbers with units. So MaxPayload=256 is
//    the encoding 1 (256 bytes), TableSize=8 is 7, TargetSpeed=8 is 3
//    (8GT/s), and a number no value shows is refused rather than taken as
//    an encoding: give that in hex. For every other field the decimal
//    number is the raw value.
//
// Address fields take the address itself in either base ("0xF7000000"),
// which must be aligned as the field's low bits require. A value that does
// not fit the field's bits is refused.
namespace pcidef {

struct ParsedValue {
    bool ok = false;
    uint32_t value = 0;  // the field's raw value
    std::string error;   // what is wrong, without the field's name
};

ParsedValue ParseFieldValue(const FieldDef& field, std::string_view text);

}  // namespace pcidef
