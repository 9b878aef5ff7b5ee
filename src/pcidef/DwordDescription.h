// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "pcidef/ConfigSpaceDef.h"
#include "pcidef/DecodedFunction.h"

// What the PCI window shows of one dword: a line in its register list and
// the field lines in the pane below it.
namespace pcidef {

// "PCI Express › Link Control: ASPM L1; Link Status: 8GT/s x4": the
// structure, then each register of the dword with its summary. Empty for a
// dword no structure covers.
std::string DwordSummary(const DecodedFunction& function, uint32_t offset);

struct FieldLine {
    std::string name;  // full name, as `set` takes it
    uint8_t low;       // bits in the register
    uint8_t high;
    Access access;
    bool readable;
    uint32_t value;    // the field's raw value
    std::string text;  // its meaning
};

// One line per field of each register in the dword; a register without
// fields is one line of its own.
std::vector<FieldLine> DwordFieldLines(const DecodedFunction& function, uint32_t offset);

// "[3:0]", or "[14]" for one bit.
std::string FieldBitsText(const FieldLine& line);

// The same lines for one register, appended to `lines`.
void AppendRegisterFieldLines(const DecodedFunction& function, const DecodedRegister& reg,
                              std::vector<FieldLine>& lines);

// "PCIe.LnkSta.Speed  [3:0]  RO  0x3  8GT/s"
std::string FormatFieldLine(const FieldLine& line);
// Each line AppendRegisterFieldLines gives of a register, formatted as
// FormatFieldLine does, after `indent` and ending in a newline. `line` is
// scratch space the caller keeps, so that its strings are reused.
void AppendRegisterFieldText(const DecodedFunction& function, const DecodedRegister& reg,
                             std::string_view indent, FieldLine& line, std::string& out);
// The same, after what `out` holds.
void AppendFieldLine(std::string& out, const FieldLine& line);

const char* AccessName(Access access);

}  // namespace pcidef
