// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ConfigBuilder.h"
#include "pcidef/ConfigDecoder.h"
#include "pcidef/ConfigSpaceTable.h"
#include "pcidef/FieldText.h"
#include "pcidef/FieldValueParse.h"
#include "pcidef/FieldWrite.h"

namespace {

using namespace pcidef;

// A PCI Express endpoint with status bits set beside the fields written.
std::vector<uint8_t> Function() {
    ConfigBuilder config(4096);
    config.W16(0x04, 0x0002).W16(0x06, 0xF910);  // Status: error bits and the list
    config.Cap(0x40, 0x10).W16(0x42, 0x0002);
    config.W16(0x48, 0x2000).W16(0x4A, 0x000F);  // DevCtl, DevSta: four errors seen
    config.ExtCap(0x100, 0x0B).W32(0x104, 0x00C0'0001).ExtCap(0x140, 0x0B);
    return config.bytes;
}

uint32_t Dword(const std::vector<uint8_t>& bytes, uint32_t offset) {
    return bytes[offset] | bytes[offset + 1] << 8 | bytes[offset + 2] << 16 |
           uint32_t{bytes[offset + 3]} << 24;
}

struct WriteCase {
    std::vector<std::string> assignments;
    uint32_t offset;    // of the one dword written
    uint32_t expected;  // what is written over the dword read
};

TEST(FieldWrite, ChangesOnlyTheNamedBitsAndClearsOnlyNamedStatus) {
    const WriteCase cases[] = {
        // Command beside Status: the status bits read as set are written 0, so kept.
        {{"Command.BusMaster=1"}, 0x04, 0x0010'0006},
        {{"Command.BusMaster=yes", "Command.Memory=0"}, 0x04, 0x0010'0004},
        // A named RW1C bit is written with its value: 1 clears that one only.
        {{"Status.RcvMasterAbort=1"}, 0x04, 0x2010'0002},
        {{"PCIe.DevCtl.MaxPayload=256"}, 0x48, 0x0000'2020},
        {{"PCIe.DevCtl.MaxPayload=256B", "PCIe.DevCtl.MaxReadReq=4096 bytes"}, 0x48, 0x0000'5020},
        {{"PCIe.DevCtl.MaxPayload=0x5"}, 0x48, 0x0000'20A0},
        {{"PCIe.DevSta.CorrErr=1", "PCIe.DevSta.FatalErr=1"}, 0x48, 0x0005'2000},
    };
    const std::vector<uint8_t> bytes = Function();
    DecodedFunction function = Decode(bytes);
    for (const WriteCase& c : cases) {
        FieldWrite plan = FieldWrite::Plan(function, c.assignments);
        ASSERT_TRUE(plan.Ok()) << c.assignments[0] << ": " << plan.errors[0];
        ASSERT_EQ(plan.writes.size(), 1u) << c.assignments[0];
        const DwordWrite& write = plan.writes[0];
        EXPECT_EQ(write.offset, c.offset) << c.assignments[0];
        EXPECT_EQ(write.Apply(Dword(bytes, c.offset)), c.expected) << c.assignments[0];
        EXPECT_EQ(write.changes.size(), c.assignments.size());
    }
}

TEST(FieldWrite, ReportsTheOldAndNewValueOfEachField) {
    const std::vector<uint8_t> bytes = Function();
    DecodedFunction function = Decode(bytes);
    FieldWrite plan = FieldWrite::Plan(
        function, std::vector<std::string>{"PCIe.DevCtl.MaxReadReq=128", "Command.IO=1"});
    ASSERT_TRUE(plan.Ok());
    ASSERT_EQ(plan.writes.size(), 2u);  // in offset order
    const FieldChange& change = plan.writes[1].changes[0];
    EXPECT_EQ(change.name, "PCIe.DevCtl.MaxReadReq");
    const uint32_t before = Dword(bytes, 0x48);
    EXPECT_EQ(change.ValueIn(before), 2u);
    EXPECT_EQ(change.ValueIn(plan.writes[1].Apply(before)), 0u);
    EXPECT_EQ(plan.writes[0].changes[0].name, "Command.IO");
}

TEST(FieldWrite, RefusesWhatItMayNotWriteNamingIt) {
    const std::pair<const char*, const char*> cases[] = {
        {"PCIe.LnkSta.Speed=1", "PCIe.LnkSta.Speed is read-only"},
        {"Command.Reserved=0", "Command.Reserved is reserved"},
        {"PCIe.DevCtl.MaxPayload=0x8", "PCIe.DevCtl.MaxPayload: 0x8 does not fit in 3 bits"},
        {"PCIe.DevCtl.MaxPayload=300",
         "PCIe.DevCtl.MaxPayload: 300 is not a value of this field, which takes 128 bytes to "
         "4096 bytes"},
        {"PCIe.DevCtl.MaxPayload=huge",
         "PCIe.DevCtl.MaxPayload: 'huge' is neither a number nor a value of this field, which "
         "takes 128 bytes to 4096 bytes"},
        {"PCIe.DevCtl.NoSnoop=2", "PCIe.DevCtl.NoSnoop: 2 does not fit in 1 bit"},
        {"PCIe.DevCtl.NoSnoop=", "PCIe.DevCtl.NoSnoop: no value given"},
        {"PCIe.DevCtl", "'PCIe.DevCtl' is not NAME=VALUE"},
        {"PCIe.DevCtl=0", "PCIe.DevCtl is a register: name one of its fields"},
        {"VSEC.Hdr.ID=1", "VSEC.Hdr.ID: VSEC is at 0x100, 0x140 here: name one as VSEC@100"},
        {"VSEC@100.DW2=1", "VSEC@100.DW2 has no fields to write"},
        {"AER.UncorSta.ECRC=1",
         "AER.UncorSta.ECRC: this function has no Advanced Error Reporting "
         "capability (AER)"},
    };
    DecodedFunction function = Decode(Function());
    for (auto [assignment, error] : cases) {
        FieldWrite plan = FieldWrite::Plan(function, std::vector<std::string>{assignment});
        ASSERT_EQ(plan.errors.size(), 1u) << assignment;
        EXPECT_EQ(plan.errors[0], error);
    }
    FieldWrite twice = FieldWrite::Plan(
        function, std::vector<std::string>{"Command.IO=1", "Command.IO=0", "Command.Memory=1"});
    EXPECT_EQ(twice.errors, std::vector<std::string>{"Command.IO is named twice"});
}

TEST(FieldValueParse, ReadsNumbersTextsAndQuantities) {
    auto capability = [](std::string_view key) {
        for (const StructureDef* def : AllStructureDefs()) {
            if (def->key == key) return def;
        }
        return static_cast<const StructureDef*>(nullptr);
    };
    auto field = [](const StructureDef* def, std::string_view reg, std::string_view name) {
        for (const RegisterDef& r : def->registers) {
            for (const FieldDef& f : r.fields) {
                if (r.name == reg && f.name == name) return &f;
            }
        }
        return static_cast<const FieldDef*>(nullptr);
    };
    const StructureDef* pcie = capability("PCIe");
    const StructureDef* type0 = &HeaderDef(0);
    struct Case {
        const FieldDef* field;
        const char* text;
        uint32_t value;
    };
    const Case cases[] = {
        {field(pcie, "LnkCtl2", "TargetSpeed"), "8GT/s", 3},
        {field(pcie, "LnkCtl2", "TargetSpeed"), "8", 3},
        {field(pcie, "LnkCtl2", "TargetSpeed"), "2.5 gt/s", 1},
        {field(pcie, "LnkCtl2", "TargetSpeed"), "0x4", 4},
        {field(pcie, "LnkCap", "Width"), "x16", 16},
        {field(pcie, "DevCtl", "MaxReadReq"), "4096", 5},
        {field(pcie, "LnkCtl", "ASPM"), "aspm l1", 2},
        {field(pcie, "LnkCtl", "RCB"), "128", 1},
        {field(capability("MSIX"), "Ctrl", "TableSize"), "8", 7},
        {field(capability("MSIX"), "Ctrl", "TableSize"), "1 vector", 0},
        {field(capability("MSI"), "Ctrl", "MultiMsgEnable"), "4", 2},
        {field(capability("ATS"), "Ctl", "STU"), "16 KB", 2},
        {field(capability("REBAR"), "Ctrl0", "BarSize"), "268435456", 8},
        {field(capability("PM"), "Ctrl", "PowerState"), "D3hot", 3},
        {field(type0, "BAR0", "Address"), "0xF7000000", 0xF700000},
        {field(&HeaderDef(1), "IOBase", "Address"), "0xF000", 0xF},
        {field(type0, "Command", "BusMaster"), "1", 1},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(c.field) << c.text;
        ParsedValue parsed = ParseFieldValue(*c.field, c.text);
        EXPECT_TRUE(parsed.ok) << c.text << ": " << parsed.error;
        EXPECT_EQ(parsed.value, c.value) << c.text;
    }
    EXPECT_EQ(ParseFieldValue(*field(type0, "BAR0", "Address"), "0xF7000008").error,
              "0xF7000008 is not a multiple of 0x10");
}

// Every value a field shows, given back as text, is the value it came from.
TEST(FieldValueParse, TakesBackEveryTextTheTableShows) {
    int checked = 0;
    for (const StructureDef* def : AllStructureDefs()) {
        for (const RegisterDef& reg : def->registers) {
            for (const FieldDef& field : reg.fields) {
                if (field.meaning->kind == MeaningKind::BitList) continue;  // numbers only
                const uint32_t largest = field.Mask() >> field.low;
                for (uint32_t value : {0u, 1u, 2u, 3u, 5u, 8u, largest / 2, largest}) {
                    if (value > largest) continue;
                    const std::string text = FieldText(field, value);
                    if (text.starts_with("reserved")) continue;
                    ParsedValue parsed = ParseFieldValue(field, text);
                    ASSERT_TRUE(parsed.ok)
                        << reg.name << "." << field.name << " " << text << ": " << parsed.error;
                    EXPECT_EQ(parsed.value, value) << reg.name << "." << field.name << " " << text;
                    ++checked;
                }
            }
        }
    }
    EXPECT_GT(checked, 1000);
}

}  // namespace
