// SPDX-License-Identifier: MIT
#include "pcidef/ConfigSpaceTable.h"

#include <array>
#include <vector>

#include "pcidef/ConfigRegisters.h"
#include "pcidef/ConfigSpaceTableBuild.h"

namespace pcidef {
namespace {

using namespace build;
using enum Access;

constexpr FieldDef kStandardHeaderFields[] = {
    Bits("ID", 0, 7, RO),
    Bits("Next", 8, 15, RO),
};
constexpr FieldDef kExtendedHeaderFields[] = {
    Bits("ID", 0, 15, RO),
    Bits("Version", 16, 19, RO, kDecimal),
    Bits("Next", 20, 31, RO),
};
constexpr RegisterDef kStandardHeader =
    Reg(0, 2, "Header", "Capability Header", kStandardHeaderFields);
constexpr RegisterDef kExtendedHeader =
    Reg(0, 4, "Header", "Extended Capability Header", kExtendedHeaderFields);

// Capability IDs index straight into these; the extended list's IDs the
// table knows all lie below 0x40.
struct Index {
    std::array<const StructureDef*, 0x100> standard{};
    std::array<const StructureDef*, 0x40> extended{};
    std::array<const StructureDef*, 4> headers{};
    std::vector<const StructureDef*> all;
};

Index BuildIndex() {
    Index index;
    for (const StructureDef& header : HeaderStructures()) {
        index.all.push_back(&header);
        index.headers[header.id < 3 ? header.id : 3] = &header;
    }
    for (auto group : {StandardStructures(), ExpressStructures(), ExtendedStructures(),
                       LinkStructures(), NamedStructures()}) {
        for (const StructureDef& def : group) {
            index.all.push_back(&def);
            if (def.space == Space::Standard) index.standard[def.id & 0xFF] = &def;
            if (def.space == Space::Extended && def.id < index.extended.size())
                index.extended[def.id] = &def;
        }
    }
    return index;
}

const Index& TheIndex() {
    static const Index index = BuildIndex();
    return index;
}

}  // namespace

const StructureDef& HeaderDef(uint8_t headerType) {
    uint8_t layout = headerType & pcireg::kHeaderTypeMask;
    return *TheIndex().headers[layout < 3 ? layout : 3];
}

const StructureDef* FindCapabilityDef(Space space, uint16_t id) {
    const Index& index = TheIndex();
    if (space == Space::Standard) return id < index.standard.size() ? index.standard[id] : nullptr;
    if (space == Space::Extended) return id < index.extended.size() ? index.extended[id] : nullptr;
    return nullptr;
}

const RegisterDef& CapabilityHeaderDef(Space space) {
    return space == Space::Extended ? kExtendedHeader : kStandardHeader;
}

std::span<const StructureDef* const> AllStructureDefs() {
    return TheIndex().all;
}

}  // namespace pcidef
