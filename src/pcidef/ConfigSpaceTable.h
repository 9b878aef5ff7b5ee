// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>

#include "pcidef/ConfigSpaceDef.h"

// The description of the configuration space, by header type and by
// capability ID.
namespace pcidef {

// The header for the layout in bits 6:0 of the header type register; an
// unknown layout gets the registers every header has.
const StructureDef& HeaderDef(uint8_t headerType);

// The capability with this ID in the standard or the extended list, or
// nullptr for an ID the description does not know.
const StructureDef* FindCapabilityDef(Space space, uint16_t id);

// What an unknown ID is shown as: its header and its first dwords.
const StructureDef& UnknownCapabilityDef(Space space);

// The header every capability of a list starts with: ID and next pointer,
// and in the extended list the version.
const RegisterDef& CapabilityHeaderDef(Space space);

// Every structure of the description, headers first.
std::span<const StructureDef* const> AllStructureDefs();

// The groups the table is kept in, one file each.
std::span<const StructureDef> HeaderStructures();
std::span<const StructureDef> StandardStructures();
std::span<const StructureDef> ExpressStructures();
std::span<const StructureDef> ExtendedStructures();
std::span<const StructureDef> LinkStructures();
std::span<const StructureDef> NamedStructures();

}  // namespace pcidef
