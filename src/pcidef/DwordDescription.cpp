// SPDX-License-Identifier: MIT
#include "pcidef/DwordDescription.h"

#include <cctype>
#include <charconv>

#include "pcidef/FieldName.h"
#include "pcidef/FieldText.h"

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

// Into *line, whose strings keep what they hold for the next line.
void FillLine(const DecodedFunction& function, const DecodedRegister& reg, const FieldDef* field,
              FieldLine* line) {
    line->name.clear();
    AppendFullName(line->name, function, reg, field);
    line->low = 0;
    line->high = static_cast<uint8_t>(reg.Width() * 8 - 1);
    line->access = Access::RO;
    line->readable = reg.readable;
    line->value = reg.value;
    if (field) {
        line->low = field->low;
        line->high = field->high;
        line->access = field->access;
        line->value = reg.FieldValue(*field);
        line->text = FieldText(*field, line->value);
    } else {
        line->text = "0x";
        const size_t digits = line->text.size();
        AppendHex(line->text, reg.value);
        // "%0*X": as many digits as the register has nibbles.
        const size_t width = reg.Width() * 2;
        if (line->text.size() - digits < width)
            line->text.insert(digits, width - (line->text.size() - digits), '0');
    }
    if (!reg.readable) {
        line->value = 0;
        line->text = "not readable";
    }
}

FieldLine LineOf(const DecodedFunction& function, const DecodedRegister& reg,
                 const FieldDef* field) {
    FieldLine line{};
    FillLine(function, reg, field, &line);
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

void AppendRegisterFieldText(const DecodedFunction& function, const DecodedRegister& reg,
                             std::string_view indent, FieldLine& line, std::string& out) {
    auto append = [&](const FieldDef* field) {
        FillLine(function, reg, field, &line);
        out += indent;
        AppendFieldLine(out, line);
        out += '\n';
    };
    if (reg.def->fields.empty()) append(nullptr);
    for (const FieldDef& field : reg.def->fields) append(&field);
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
