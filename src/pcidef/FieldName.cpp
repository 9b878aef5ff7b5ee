// SPDX-License-Identifier: MIT
#include "pcidef/FieldName.h"

#include <algorithm>
#include <vector>

#include "pcidef/ConfigSpaceTable.h"
#include "pcidef/NumberText.h"
#include "pcidef/StringPrintf.h"

namespace pcidef {
namespace {

std::vector<std::string_view> Split(std::string_view name) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    while (true) {
        size_t dot = name.find('.', start);
        parts.push_back(name.substr(start, dot - start));
        if (dot == std::string_view::npos) return parts;
        start = dot + 1;
    }
}

bool IsDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Whether the structure's description has a register of this name, present
// in this function or not.
bool Describes(const StructureDef& def, std::string_view name) {
    if (name == "Header" && def.space != Space::Header) return true;
    return std::any_of(def.registers.begin(), def.registers.end(), [&](const RegisterDef& r) {
        return r.name == name ||
               (r.Repeated() && name.starts_with(r.name) && IsDigits(name.substr(r.name.size())));
    });
}

std::optional<uint32_t> ParseOffset(std::string_view text) {
    if (text.starts_with("0x") || text.starts_with("0X")) text.remove_prefix(2);
    auto value = text.size() <= 3 ? ParseDigits(text, 16) : std::nullopt;
    if (!value) return std::nullopt;
    return static_cast<uint32_t>(*value);
}

const StructureDef* DefWithKey(std::string_view key) {
    for (const StructureDef* def : AllStructureDefs()) {
        if (!def->key.empty() && def->key == key) return def;
    }
    return nullptr;
}

struct StructureLookup {
    const DecodedStructure* structure = nullptr;
    std::string error;
};

StructureLookup FindStructure(const DecodedFunction& function, std::string_view part) {
    std::string_view key = part.substr(0, part.find('@'));
    std::optional<uint32_t> offset;
    if (key.size() < part.size()) {
        offset = ParseOffset(part.substr(key.size() + 1));
        if (!offset)
            return {nullptr, StringPrintf("'%.*s': the offset after @ is not hex",
                                          static_cast<int>(part.size()), part.data())};
    }
    std::vector<const DecodedStructure*> found;
    for (const DecodedStructure& s : function.Capabilities()) {
        if (s.Key() == key && (!offset || s.offset == *offset)) found.push_back(&s);
    }
    std::string keyText(key);
    if (found.size() == 1) return {found.front(), {}};
    if (found.size() > 1) {
        std::string where;
        for (const DecodedStructure* s : found)
            where += StringPrintf("%s0x%X", where.empty() ? "" : ", ", s->offset);
        return {nullptr, StringPrintf("%s is at %s here: name one as %s@%X", keyText.c_str(),
                                      where.c_str(), keyText.c_str(), found.front()->offset)};
    }
    if (offset) return {nullptr, StringPrintf("no %s at 0x%X here", keyText.c_str(), *offset)};
    if (const StructureDef* def = DefWithKey(key)) {
        return {nullptr, StringPrintf("this function has no %.*s capability (%s)",
                                      static_cast<int>(def->display.size()), def->display.data(),
                                      keyText.c_str())};
    }
    return {nullptr, StringPrintf("'%s' is neither a capability key nor a header register",
                                  keyText.c_str())};
}

std::string FieldList(const RegisterDef& def) {
    std::string list;
    for (const FieldDef& field : def.fields) {
        if (field.name.empty()) continue;
        if (!list.empty()) list += ", ";
        list += field.name;
    }
    return list.empty() ? "it has none" : list;
}

}  // namespace

NameLookup FindName(const DecodedFunction& function, std::string_view name) {
    std::vector<std::string_view> parts = Split(name);
    const bool anyEmpty =
        std::any_of(parts.begin(), parts.end(), [](std::string_view p) { return p.empty(); });
    if (parts.size() > 3 || anyEmpty) {
        return {{},
                StringPrintf("'%.*s' is not a name of the form KEY.Register.Field",
                             static_cast<int>(name.size()), name.data())};
    }
    const DecodedStructure* structure = &function.Header();
    const bool header =
        parts.size() == 1 || (parts.size() == 2 && Describes(*structure->def, parts[0]));
    if (!header) {
        StructureLookup found = FindStructure(function, parts[0]);
        if (!found.structure) return {{}, found.error};
        structure = found.structure;
        parts.erase(parts.begin());
    }
    const std::string prefix = header ? "" : structure->Prefix() + ".";
    const DecodedRegister* reg = nullptr;
    for (const DecodedRegister& candidate : function.Registers(*structure)) {
        if (candidate.NameIs(parts[0])) reg = &candidate;
    }
    std::string regName = prefix + std::string(parts[0]);
    if (!reg) {
        if (Describes(*structure->def, parts[0]))
            return {{}, StringPrintf("%s is not present in this function", regName.c_str())};
        return {{}, StringPrintf("%s: no such register", regName.c_str())};
    }
    std::string_view fieldName = parts.size() == 2 ? parts[1] : std::string_view{};
    const FieldDef* field = nullptr;
    for (const FieldDef& candidate : reg->def->fields) {
        if (candidate.name == fieldName) field = &candidate;
    }
    if (!field && !fieldName.empty()) {
        return {{},
                StringPrintf("%s has no field '%.*s' (%s)", regName.c_str(),
                             static_cast<int>(fieldName.size()), fieldName.data(),
                             FieldList(*reg->def).c_str())};
    }
    return {{structure, reg, field}, {}};
}

std::string FullName(const DecodedFunction& function, const DecodedRegister& reg,
                     const FieldDef* field) {
    std::string name;
    AppendFullName(name, function, reg, field);
    return name;
}

void AppendFullName(std::string& out, const DecodedFunction& function, const DecodedRegister& reg,
                    const FieldDef* field) {
    const std::string prefix = function.StructureOf(reg).Prefix();
    out += prefix;
    if (!prefix.empty()) out += '.';
    out += reg.Name();
    if (field && !field->name.empty()) {
        out += '.';
        out += field->name;
    }
}

std::optional<uint32_t> ValueOf(const DecodedFunction& function, std::string_view name) {
    NameLookup found = FindName(function, name);
    if (!found.Ok() || !found.location.reg->readable) return std::nullopt;
    const DecodedRegister& reg = *found.location.reg;
    return found.location.field ? reg.FieldValue(*found.location.field) : reg.value;
}

}  // namespace pcidef
