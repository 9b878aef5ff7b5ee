// SPDX-License-Identifier: MIT
#include "cli/DecodeText.h"

#include "pcidef/DwordDescription.h"
#include "pcidef/FieldName.h"
#include "pcidef/StringPrintf.h"

namespace {

using pcidef::DecodedFunction;
using pcidef::DecodedStructure;
using pcidef::StringPrintf;

std::string Heading(const FunctionAddress& function, const DecodedFunction& decoded) {
    auto hex = [&](const char* name, const char* format) {
        const std::optional<uint32_t> value = pcidef::ValueOf(decoded, name);
        return value ? StringPrintf(format, *value) : std::string("?");
    };
    return function.ToString() + "  " + hex("VendorID", "%04x") + ":" + hex("DeviceID", "%04x") +
           "  class " + hex("ClassCode", "%06x") + StringPrintf("  %u bytes\n", decoded.Size());
}

std::string StructureLine(const DecodedStructure& structure) {
    std::string line = StringPrintf("[%03X] ", structure.offset);
    line += structure.DisplayName();
    if (structure.IsHeader()) return line + "\n";
    line += " (" + structure.Key();
    line += structure.Extended()
                ? StringPrintf(", ID %04X, version %u)\n", structure.id, structure.version)
                : StringPrintf(", ID %02X)\n", structure.id);
    return line;
}

}  // namespace

void AppendDecodeText(const FunctionAddress& function, const DecodedFunction& decoded,
                      std::string& out) {
    out += Heading(function, decoded);
    pcidef::FieldLine line{};
    for (const DecodedStructure& structure : decoded.Structures()) {
        out += StructureLine(structure);
        for (const pcidef::DecodedRegister& reg : decoded.Registers(structure))
            pcidef::AppendRegisterFieldText(decoded, reg, "  ", line, out);
    }
    for (const std::string& note : decoded.Notes()) out += "note: " + note + "\n";
}

void AppendWritableFieldNames(const DecodedFunction& decoded, std::string& out) {
    for (const pcidef::DecodedRegister& reg : decoded.Registers()) {
        for (const pcidef::FieldDef& field : reg.def->fields) {
            if (field.access != pcidef::Access::RW && field.access != pcidef::Access::RW1C)
                continue;
            out += pcidef::FullName(decoded, reg, &field);
            out += '\n';
        }
    }
}
