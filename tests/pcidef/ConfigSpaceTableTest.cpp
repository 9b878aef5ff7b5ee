// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <bit>
#include <set>
#include <string>

#include "pcidef/ConfigSpaceTable.h"

namespace {

using namespace pcidef;

bool NameCharactersOk(std::string_view name) {
    return name.find_first_of(".@= ") == std::string_view::npos;
}

TEST(ConfigSpaceTable, NamesEveryCapabilityIdOnce) {
    for (uint16_t id = 0x01; id <= 0x15; ++id) {
        const StructureDef* def = FindCapabilityDef(Space::Standard, id);
        ASSERT_TRUE(def) << "standard " << id;
        EXPECT_EQ(def->id, id);
        EXPECT_FALSE(def->key.empty() || def->display.empty()) << id;
    }
    for (uint16_t id = 0x0001; id <= 0x0034; ++id) {
        const StructureDef* def = FindCapabilityDef(Space::Extended, id);
        ASSERT_TRUE(def) << "extended " << id;
        EXPECT_EQ(def->id, id);
        EXPECT_FALSE(def->key.empty() || def->display.empty()) << id;
    }
    EXPECT_FALSE(FindCapabilityDef(Space::Standard, 0x16));
    EXPECT_FALSE(FindCapabilityDef(Space::Extended, 0x0035));

    // Keys name one structure each, and never a header register, so that
    // "Status.CapList" and "PCIe.DevCtl" cannot be read two ways.
    std::set<std::string_view> keys;
    for (const StructureDef* def : AllStructureDefs()) {
        if (def->key.empty()) continue;
        EXPECT_TRUE(keys.insert(def->key).second) << def->key;
        EXPECT_TRUE(NameCharactersOk(def->key)) << def->key;
    }
    for (uint8_t type = 0; type < 4; ++type) {
        for (const RegisterDef& reg : HeaderDef(type).registers)
            EXPECT_FALSE(keys.count(reg.name)) << reg.name;
    }
}

TEST(ConfigSpaceTable, RegistersAndFieldsAreWellFormed) {
    for (const StructureDef* def : AllStructureDefs()) {
        for (const RegisterDef& reg : def->registers) {
            const std::string where = std::string(def->display) + " " + std::string(reg.name);
            EXPECT_TRUE(reg.width >= 1 && reg.width <= 4) << where;
            EXPECT_TRUE(NameCharactersOk(reg.name) && !reg.name.empty()) << where;
            // Every copy lies inside one dword, so a dword write reaches all of it.
            const uint32_t copies = reg.Repeated() ? std::min<uint32_t>(reg.count.max, 8) : 1;
            for (uint32_t i = 0; i < copies; ++i) {
                EXPECT_LE((reg.offset + i * reg.count.stride) % 4 + reg.width, 4u)
                    << where << " " << i;
            }
            EXPECT_TRUE(!reg.Repeated() || reg.count.stride >= reg.width) << where;
            uint32_t used = 0;
            std::set<std::string_view> names;
            for (const FieldDef& field : reg.fields) {
                const std::string at = where + "." + std::string(field.name);
                EXPECT_LE(field.low, field.high) << at;
                EXPECT_LT(field.high, reg.width * 8u) << at;
                EXPECT_EQ(used & field.Mask(), 0u) << at << " overlaps";
                used |= field.Mask();
                EXPECT_TRUE(names.insert(field.name).second) << at;
                EXPECT_TRUE(NameCharactersOk(field.name)) << at;
                EXPECT_TRUE(!field.name.empty() || reg.fields.size() == 1) << at;
                const Meaning& meaning = *field.meaning;
                const uint32_t largest = field.Mask() >> field.low;
                for (const ValueText& text : meaning.texts) {
                    const uint32_t bound =
                        meaning.kind == MeaningKind::BitList ? field.Width() - 1 : largest;
                    EXPECT_LE(text.value, bound) << at << " " << text.text;
                    EXPECT_FALSE(text.text.empty()) << at;
                }
                if (meaning.kind == MeaningKind::Pow2 || meaning.kind == MeaningKind::Pow2Size) {
                    EXPECT_LE(std::bit_width(meaning.base) + meaning.limit, 64) << at;
                }
                EXPECT_TRUE(meaning.kind != MeaningKind::Flag || field.Width() == 1) << at;
            }
        }
    }
}

}  // namespace
