// SPDX-License-Identifier: MIT
#include "pcidef/DwordDescription.h"

#include <cctype>
#include <charconv>

#include "pcidef/FieldName.h"
#include "pcidef/FieldText.h"
#include "pcidef/StringPrintf.h"

namespace pcidef {
namespace {

constexpr char kStructureSeparator[] = " \u203A ";

void AppendDecimal(std::string& out, uint32_t value) {
    char digits[16];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end);
}

// "%X"
void AppendHex(std::string& out, uint32_t value) {
    char digits[16];
    const auto end = std::to_chars(digits, digits + sizeof digits, value, 16).ptr;
    for (char* c = digits; c != end; ++c) *c = static_cast<char>(std::toupper(*c));
    out.append(digits, end);
}

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

void AppendBits(std::string& out, const FieldLine& line) {
    out += '[';
    if (line.low != line.high) {
        AppendDecimal(out, line.high);
        out += ':';
    }
    AppendDecimal(out, line.low);
    out += ']';
}

std::string FieldBitsText(const FieldLine& line) {
    std::string text;
    AppendBits(text, line);
    return text;
}

void AppendRegisterFieldLines(const DecodedFunction& function, const DecodedRegister& reg,
                              std::vector<FieldLine>& lines) {
    if (reg.def->fields.empty()) lines.push_back(LineOf(function, reg, nullptr));
    for (const FieldDef& field : reg.def->fields) lines.push_back(LineOf(function, reg, &field));
}

// By hand rather than through a format: a decode of every function of a
// large machine is hundreds of thousands of lines.
void AppendFieldLine(std::string& out, const FieldLine& line) {
    out += line.name;
    out += "  ";
    AppendBits(out, line);
    out += "  ";
    if (line.readable) {
        out += AccessName(line.access);
        out += "  0x";
        AppendHex(out, line.value);
        out += "  ";
    }
    out += line.text;
}

std::string FormatFieldLine(const FieldLine& line) {
    std::string text;
    AppendFieldLine(text, line);
    return text;
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
