// SPDX-License-Identifier: MIT
#include "pcidef/DwordDescription.h"

#include "pcidef/FieldName.h"
#include "pcidef/FieldText.h"
#include "pcidef/StringPrintf.h"

namespace pcidef {
namespace {

constexpr char kStructureSeparator[] = " \u203A ";

FieldLine LineOf(const DecodedFunction& function, const DecodedRegister& reg,
                 const FieldDef* field) {
    FieldLine line{FullName(function, reg, field),
                   0,
                   static_cast<uint8_t>(reg.Width() * 8 - 1),
                   Access::RO,
                   reg.readable,
                   reg.value,
                   {}};
    if (field) {
        line.low = field->low;
        line.high = field->high;
        line.access = field->access;
        line.value = reg.FieldValue(*field);
        line.text = FieldText(*field, line.value);
    } else {
        line.text = StringPrintf("0x%0*X", static_cast<int>(reg.Width() * 2), reg.value);
    }
    if (!reg.readable) {
        line.value = 0;
        line.text = "not readable";
    }
    return line;
}

}  // namespace

std::string DwordSummary(const DecodedFunction& function, uint32_t offset) {
    std::string text;
    for (const DecodedRegister* reg : function.RegistersAt(offset)) {
        if (text.empty()) {
            text = std::string(function.StructureOf(*reg).DisplayName()) + kStructureSeparator;
        } else {
            text += "; ";
        }
        text += reg->DisplayName() + ": " + RegisterSummary(*reg);
    }
    return text;
}

std::vector<FieldLine> DwordFieldLines(const DecodedFunction& function, uint32_t offset) {
    std::vector<FieldLine> lines;
    for (const DecodedRegister* reg : function.RegistersAt(offset))
        AppendRegisterFieldLines(function, *reg, lines);
    return lines;
}

std::string FieldBitsText(const FieldLine& line) {
    return line.low == line.high ? StringPrintf("[%u]", line.low)
                                 : StringPrintf("[%u:%u]", line.high, line.low);
}

void AppendRegisterFieldLines(const DecodedFunction& function, const DecodedRegister& reg,
                              std::vector<FieldLine>& lines) {
    if (reg.def->fields.empty()) lines.push_back(LineOf(function, reg, nullptr));
    for (const FieldDef& field : reg.def->fields) lines.push_back(LineOf(function, reg, &field));
}

std::string FormatFieldLine(const FieldLine& line) {
    const std::string bits = FieldBitsText(line);
    if (!line.readable)
        return StringPrintf("%s  %s  %s", line.name.c_str(), bits.c_str(), line.text.c_str());
    return StringPrintf("%s  %s  %s  0x%X  %s", line.name.c_str(), bits.c_str(),
                        AccessName(line.access), line.value, line.text.c_str());
}

const char* AccessName(Access access) {
    switch (access) {
        case Access::RO:
            return "RO";
        case Access::RW:
            return "RW";
        case Access::RW1C:
            return "RW1C";
        case Access::RsvdP:
            return "RsvdP";
    }
    return "";
}

}  // namespace pcidef
