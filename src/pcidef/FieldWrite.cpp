// SPDX-License-Identifier: MIT
#include "pcidef/FieldWrite.h"

#include <algorithm>

#include "pcidef/FieldName.h"
#include "pcidef/FieldValueParse.h"

namespace pcidef {

FieldWrite FieldWrite::Plan(const DecodedFunction& function,
                            std::span<const std::string> assignments) {
    FieldWrite plan;
    for (const std::string& assignment : assignments) plan.Add(function, assignment);
    std::sort(plan.writes.begin(), plan.writes.end(),
              [](const DwordWrite& a, const DwordWrite& b) { return a.offset < b.offset; });
    return plan;
}

void FieldWrite::Add(const DecodedFunction& function, const std::string& assignment) {
    const size_t equals = assignment.find('=');
    if (equals == std::string::npos) {
        errors.push_back("'" + assignment + "' is not NAME=VALUE");
        return;
    }
    const std::string name = assignment.substr(0, equals);
    const std::string text = assignment.substr(equals + 1);
    NameLookup found = FindName(function, name);
    if (!found.Ok()) {
        errors.push_back(name + ": " + found.error);
        return;
    }
    const DecodedRegister& reg = *found.location.reg;
    const FieldDef* field = found.location.field;
    if (!field) {
        errors.push_back(name + (reg.def->fields.empty()
                                     ? " has no fields to write"
                                     : " is a register: name one of its fields"));
        return;
    }
    if (field->access == Access::RO || field->access == Access::RsvdP) {
        errors.push_back(name + (field->access == Access::RO ? " is read-only" : " is reserved"));
        return;
    }
    ParsedValue value = ParseFieldValue(*field, text);
    if (!value.ok) {
        errors.push_back(name + ": " + value.error);
        return;
    }
    const auto shift = static_cast<uint8_t>((reg.offset & 3u) * 8u + field->low);
    const uint32_t mask = field->Mask() << ((reg.offset & 3u) * 8u);
    DwordWrite& write = WriteAt(function, reg.offset & ~3u);
    if (write.mask & mask) {
        errors.push_back(name + " is named twice");
        return;
    }
    write.mask |= mask;
    write.clear &= ~mask;
    write.bits |= value.value << shift;
    write.changes.push_back({FullName(function, reg, field), field, shift, value.value});
}

DwordWrite& FieldWrite::WriteAt(const DecodedFunction& function, uint32_t offset) {
    for (DwordWrite& write : writes) {
        if (write.offset == offset) return write;
    }
    DwordWrite& write = writes.emplace_back();
    write.offset = offset;
    for (const DecodedRegister* reg : function.RegistersAt(offset)) {
        for (const FieldDef& field : reg->def->fields) {
            if (field.access == Access::RW1C)
                write.clear |= field.Mask() << ((reg->offset & 3u) * 8u);
        }
    }
    return write;
}

}  // namespace pcidef
