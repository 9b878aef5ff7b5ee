// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "ConfigBuilder.h"
#include "pcidef/ConfigDecoder.h"
#include "pcidef/DwordDescription.h"
#include "pcidef/FieldName.h"
#include "pcidef/FieldText.h"

namespace {

using namespace pcidef;

constexpr uint32_t kEndpoint = 0, kRootPort = 4, kIntegrated = 9, kCollector = 10;

// A PCI Express function: PM at 0x40, MSI at 0x50, PCI Express at 0x60,
// MSI-X at 0xA0; AER at 0x100 when 4096 bytes.
ConfigBuilder ExpressFunction(uint32_t portType, uint32_t flags = 0x0002, size_t size = 4096) {
    ConfigBuilder config(size, portType == kRootPort ? 1 : 0);
    config.W16(0x04, 0x0006).Cap(0x40, 0x01).Cap(0x50, 0x05).W16(0x52, 0x0001);
    config.Cap(0x60, 0x10).W16(0x62, flags | portType << 4);
    config.W32(0x64, 0x00008002);  // DevCap: 512 bytes
    config.W16(0x68, 0x5020);      // DevCtl: 256 bytes, read requests 4096 bytes
    config.W32(0x6C, 0x00000484);  // LnkCap: 16GT/s x8
    config.W16(0x72, 0x0043);      // LnkSta: 8GT/s x4
    config.W32(0x8C, 0x0000003E);  // LnkCap2: 2.5 to 32GT/s
    config.Cap(0xA0, 0x11).W16(0xA2, 0x0007);
    if (size == 4096) config.ExtCap(0x100, 0x0001, 2).W32(0x10C, 0x00000020);
    return config;
}

std::vector<std::string> NamesIn(const DecodedFunction& function, const DecodedStructure& s) {
    std::vector<std::string> names;
    for (const DecodedRegister& reg : function.Registers(s)) names.push_back(reg.Name());
    return names;
}

bool Has(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

TEST(ConfigDecoder, RequiredNamesDecodeAndNameThemselves) {
    struct Expected {
        const char* name;
        uint32_t value;
        const char* text;
    };
    const Expected expected[] = {
        {"PCIe.LnkCap.Speed", 4, "16GT/s"},
        {"PCIe.LnkCap.Width", 8, "x8"},
        {"PCIe.LnkSta.Speed", 3, "8GT/s"},
        {"PCIe.LnkSta.Width", 4, "x4"},
        {"PCIe.DevCtl.MaxPayload", 1, "256 bytes"},
        {"PCIe.DevCtl.MaxReadReq", 5, "4096 bytes"},
        {"PCIe.DevCap.MaxPayload", 2, "512 bytes"},
        {"PCIe.LnkCap2.Speeds", 0x1F, "2.5GT/s 5GT/s 8GT/s 16GT/s 32GT/s"},
        {"MSI.Ctrl.Enable", 1, "yes"},
        {"MSIX.Ctrl.Enable", 0, "no"},
        {"MSIX.Ctrl.TableSize", 7, "8 vectors"},
        {"Command.BusMaster", 1, "yes"},
        {"Command.Memory", 1, "yes"},
        {"Status.CapList", 1, "yes"},
        {"AER.UncorSev.SurpriseDown", 1, "fatal"},
        {"AER.UncorSev.PoisonedTLP", 0, "non-fatal"},
    };
    auto bytes = ExpressFunction(kEndpoint).bytes;
    DecodedFunction function = Decode(bytes.data(), bytes.size());
    EXPECT_TRUE(function.Notes().empty());
    for (const Expected& e : expected) {
        NameLookup found = FindName(function, e.name);
        ASSERT_TRUE(found.Ok()) << e.name << ": " << found.error;
        ASSERT_TRUE(found.location.field) << e.name;
        EXPECT_EQ(ValueOf(function, e.name), e.value) << e.name;
        EXPECT_EQ(FieldText(*found.location.field, e.value), e.text) << e.name;
        EXPECT_EQ(FullName(function, *found.location.reg, found.location.field), e.name);
    }
    EXPECT_EQ(ValueOf(function, "AER.UncorSev"), 0x20u);
    EXPECT_EQ(ValueOf(function, "PCIe.DevSta"), 0u);
}

TEST(ConfigDecoder, WindowLinesSayWhatADwordHolds) {
    auto bytes = ExpressFunction(kEndpoint).bytes;
    DecodedFunction function = Decode(bytes);
    EXPECT_EQ(DwordSummary(function, 0x70),
              "PCI Express \u203A Link Control: ASPM off; Link Status: 8GT/s x4");
    EXPECT_EQ(DwordSummary(function, 0x72), DwordSummary(function, 0x70));
    EXPECT_EQ(DwordSummary(function, 0x04),
              "Header \u203A Command: Memory BusMaster; Status: CapList");
    EXPECT_EQ(DwordSummary(function, 0x68),
              "PCI Express \u203A Device Control: MaxPayload=256 bytes MaxReadReq=4096 bytes; "
              "Device Status: none");
    EXPECT_EQ(DwordSummary(function, 0xF0), "");  // between capabilities
    std::vector<std::string> lines;
    for (const FieldLine& line : DwordFieldLines(function, 0x70))
        lines.push_back(FormatFieldLine(line));
    EXPECT_TRUE(Has(lines, "PCIe.LnkSta.Speed  [3:0]  RO  0x3  8GT/s"));
    EXPECT_TRUE(Has(lines, "PCIe.LnkSta.BwMgmt  [14]  RW1C  0x0  no"));
    EXPECT_TRUE(Has(lines, "PCIe.LnkCtl.ASPM  [1:0]  RW  0x0  ASPM off"));
}

TEST(ConfigDecoder, MsiRegistersMoveWithTheAddressWidthAndMasking) {
    struct Layout {
        uint16_t control;
        std::vector<std::pair<uint16_t, std::string>> registers;  // after Ctrl
    };
    const Layout layouts[] = {
        {0x0000, {{0x54, "AddrLo"}, {0x58, "Data"}}},
        {0x0080, {{0x54, "AddrLo"}, {0x58, "AddrHi"}, {0x5C, "Data"}}},
        {0x0100, {{0x54, "AddrLo"}, {0x58, "Data"}, {0x5C, "Mask"}, {0x60, "Pending"}}},
        {0x0180,
         {{0x54, "AddrLo"}, {0x58, "AddrHi"}, {0x5C, "Data"}, {0x60, "Mask"}, {0x64, "Pending"}}},
    };
    for (const Layout& layout : layouts) {
        auto bytes = ConfigBuilder().Cap(0x50, 0x05).W16(0x52, layout.control).bytes;
        DecodedFunction function = Decode(bytes);
        ASSERT_EQ(function.Capabilities().size(), 1u);
        std::vector<std::pair<uint16_t, std::string>> found;
        for (const DecodedRegister& reg : function.Registers(function.Capabilities()[0])) {
            if (reg.offset > 0x52) found.emplace_back(reg.offset, reg.Name());
        }
        EXPECT_EQ(found, layout.registers) << std::hex << layout.control;
    }
}

TEST(ConfigDecoder, ExpressRegistersFollowVersionSlotAndPortType) {
    struct Case {
        uint32_t portType;
        uint32_t flags;
        std::vector<std::string> present;
        std::vector<std::string> absent;
    };
    const Case cases[] = {
        {kEndpoint,
         0x0002,
         {"DevCap", "LnkSta", "DevCap2", "LnkSta2"},
         {"SltCap", "RootCtl", "SltCap2"}},
        {kEndpoint, 0x0001, {"DevCap", "LnkSta"}, {"DevCap2", "LnkCap2", "SltCap"}},
        {kRootPort, 0x0102, {"SltCap", "SltSta", "RootCtl", "RootSta", "SltCap2"}, {}},
        {kRootPort, 0x0001, {"RootCtl", "RootSta"}, {"SltCap", "DevCap2"}},
        // Inside the root complex there is no link.
        {kIntegrated, 0x0002, {"DevCap", "DevCap2"}, {"LnkCap", "LnkSta", "LnkCap2", "LnkSta2"}},
        {kCollector, 0x0002, {"RootCtl", "DevCtl2"}, {"LnkCap", "LnkCtl", "LnkCtl2"}},
    };
    for (const Case& c : cases) {
        auto bytes = ExpressFunction(c.portType, c.flags).bytes;
        DecodedFunction function = Decode(bytes);
        auto names = NamesIn(function, function.Capabilities()[2]);
        for (const auto& name : c.present) EXPECT_TRUE(Has(names, name)) << c.flags << " " << name;
        for (const auto& name : c.absent) EXPECT_FALSE(Has(names, name)) << c.flags << " " << name;
        const bool root = c.portType == kRootPort || c.portType == kCollector;
        EXPECT_EQ(FindName(function, "AER.RootSta").Ok(), root) << c.portType;
        EXPECT_EQ(FindName(function, "AER.ErrSrc.CorrSource").Ok(), root) << c.portType;
    }
}

TEST(ConfigDecoder, RepeatedRegistersCountAsTheBytesSay) {
    struct Case {
        const char* what;
        std::function<void(ConfigBuilder&)> add;
        const char* key;
        std::vector<std::string> names;  // after the header register
    };
    const Case cases[] = {
        {"resizable BAR with three entries",
         [](ConfigBuilder& c) { c.ExtCap(0x200, 0x15).W32(0x208, 0x0000'0860); },
         "REBAR",
         {"Cap0", "Ctrl0", "Cap1", "Ctrl1", "Cap2", "Ctrl2"}},
        {"lane equalisation for the x8 link",
         [](ConfigBuilder& c) { c.ExtCap(0x200, 0x26); },
         "PL16",
         {"Cap", "Ctl", "Sta", "LocalParity", "FirstRetimerParity", "SecondRetimerParity",
          "LaneEq0", "LaneEq1", "LaneEq2", "LaneEq3", "LaneEq4", "LaneEq5", "LaneEq6", "LaneEq7"}},
        {"vendor dwords to the length",
         [](ConfigBuilder& c) { c.ExtCap(0x200, 0x0B).W32(0x204, 0x0140'0001); },
         "VSEC",
         {"Hdr", "DW2", "DW3", "DW4"}},
        {"steering tags kept in the capability",
         [](ConfigBuilder& c) { c.ExtCap(0x200, 0x17).W32(0x204, 0x0002'0200); },
         "TPH",
         {"Cap", "Ctl", "ST0", "ST1", "ST2"}},
        {"steering tags kept elsewhere",
         [](ConfigBuilder& c) { c.ExtCap(0x200, 0x17).W32(0x204, 0x0002'0400); },
         "TPH",
         {"Cap", "Ctl"}},
        {"two virtual channels",
         [](ConfigBuilder& c) { c.ExtCap(0x200, 0x02).W32(0x204, 1); },
         "VC",
         {"PortCap1", "PortCap2", "PortCtl", "PortSta", "ResCap0", "ResCtl0", "ResSta0", "ResCap1",
          "ResCtl1", "ResSta1"}},
    };
    for (const Case& c : cases) {
        ConfigBuilder config = ExpressFunction(kEndpoint);
        c.add(config);
        DecodedFunction function = Decode(config.bytes);
        const DecodedStructure& s = function.Capabilities().back();
        ASSERT_EQ(s.Key(), c.key) << c.what;
        auto names = NamesIn(function, s);
        names.erase(names.begin());
        EXPECT_EQ(names, c.names) << c.what;
        EXPECT_TRUE(function.Notes().empty()) << c.what << ": " << function.Notes().front();
    }
}

TEST(ConfigDecoder, AVendorCapabilityCanFillTheExtendedSpace) {
    auto bytes = ConfigBuilder(4096).ExtCap(0x100, 0x0B).W32(0x104, 0xF000'0001).bytes;
    DecodedFunction function = Decode(bytes);
    EXPECT_TRUE(function.Notes().empty());
    NameLookup last = FindName(function, "VSEC.DW959");
    ASSERT_TRUE(last.Ok()) << last.error;
    EXPECT_EQ(last.location.reg->offset, 0xFFC);
    EXPECT_EQ(function.Registers(function.Capabilities()[0]).size(), 2u + 958u);
}

TEST(ConfigDecoder, StructuresStopWhereTheNextBeginsWithANote) {
    // A vendor capability claiming 0x30 bytes with the next capability 0x10 on.
    auto bytes = ConfigBuilder().Cap(0x40, 0x09).W8(0x42, 0x30).Cap(0x50, 0x01).bytes;
    DecodedFunction function = Decode(bytes);
    ASSERT_EQ(function.Notes().size(), 1u);
    EXPECT_EQ(
        function.Notes()[0],
        "Vendor Specific at 0x40: registers past 0x50 are cut (the next capability starts there)");
    EXPECT_EQ(NamesIn(function, function.Capabilities()[0]),
              (std::vector<std::string>{"Header", "Length", "Byte3", "DW1", "DW2", "DW3"}));
    EXPECT_EQ(function.Capabilities()[1].Key(), "PM");
}

TEST(ConfigDecoder, AKeyThatRepeatsIsNamedByItsOffset) {
    auto bytes =
        ConfigBuilder(4096).ExtCap(0x100, 0x0B).W32(0x104, 0x00C0'0001).ExtCap(0x140, 0x0B).bytes;
    DecodedFunction function = Decode(bytes);
    ASSERT_EQ(function.Capabilities().size(), 2u);
    EXPECT_EQ(function.Capabilities()[0].Prefix(), "VSEC@100");
    EXPECT_EQ(function.Capabilities()[1].Prefix(), "VSEC@140");
    NameLookup plain = FindName(function, "VSEC.Hdr.ID");
    EXPECT_EQ(plain.error, "VSEC is at 0x100, 0x140 here: name one as VSEC@100");
    EXPECT_EQ(ValueOf(function, "VSEC@100.Hdr.ID"), 1u);
    EXPECT_EQ(ValueOf(function, "VSEC@0x140.Hdr.ID"), 0u);
    EXPECT_EQ(FindName(function, "VSEC@180.Hdr").error, "no VSEC at 0x180 here");
}

TEST(ConfigDecoder, NamesThatNameNothingSayWhy) {
    auto bytes = ExpressFunction(kEndpoint, 0x0002, 256).bytes;
    DecodedFunction function = Decode(bytes);
    const std::pair<const char*, const char*> cases[] = {
        {"AER.UncorSta", "this function has no Advanced Error Reporting capability (AER)"},
        {"Bogus.Reg.Field", "'Bogus' is neither a capability key nor a header register"},
        {"PCIe.SltCap", "PCIe.SltCap is not present in this function"},
        {"PCIe.Nothing", "PCIe.Nothing: no such register"},
        {"PCIe.LnkSta.Nothing",
         "PCIe.LnkSta has no field 'Nothing' (Speed, Width, Training, "
         "SlotClock, DLLActive, BwMgmt, AutoBw)"},
        {"PCIe..Speed", "'PCIe..Speed' is not a name of the form KEY.Register.Field"},
        {"pcie.LnkSta.Speed", "'pcie' is neither a capability key nor a header register"},
    };
    for (auto [name, error] : cases) EXPECT_EQ(FindName(function, name).error, error) << name;
}

TEST(ConfigDecoder, RefusedDwordsAreNotReadNorFollowed) {
    auto bytes = ExpressFunction(kEndpoint).bytes;
    std::vector<uint8_t> readable(1024, 1);
    readable[0x70 / 4] = 0;  // link control and status
    readable[0xA0 / 4] = 0;  // the MSI-X header
    DecodedFunction function = Decode(bytes, readable);
    EXPECT_EQ(ValueOf(function, "PCIe.LnkSta.Speed"), std::nullopt);
    EXPECT_TRUE(FindName(function, "PCIe.LnkSta.Speed").Ok());
    EXPECT_EQ(DwordSummary(function, 0x70),
              "PCI Express \u203A Link Control: not readable; Link Status: not readable");
    EXPECT_FALSE(FindName(function, "MSIX.Ctrl").Ok());
    EXPECT_EQ(function.Notes().front(),
              "capability list: the capability at 0xA0 could not be read; the list ends");
}

TEST(ConfigDecoder, BarsPairUpFromTheFirst) {
    auto bytes = ConfigBuilder()
                     .W32(0x10, 0xF000000C)  // 64-bit prefetchable
                     .W32(0x14, 0x00000004)  // its upper half, whatever its low bits
                     .W32(0x18, 0x0000E001)  // I/O
                     .W32(0x1C, 0xF7100000)
                     .bytes;
    DecodedFunction function = Decode(bytes);
    EXPECT_EQ(DwordSummary(function, 0x10),
              "Header \u203A Base Address 0: 64-bit Prefetchable 0xF0000000");
    EXPECT_EQ(DwordSummary(function, 0x14),
              "Header \u203A Base Address 1: AddressUpper=0x00000004");
    EXPECT_EQ(DwordSummary(function, 0x18), "Header \u203A Base Address 2: I/O 0x0000E000");
    EXPECT_EQ(DwordSummary(function, 0x1C), "Header \u203A Base Address 3: 32-bit 0xF7100000");
}

// Whatever the bytes, the decoding stays inside them, its registers do not
// overlap, and every register's name finds that register again.
TEST(ConfigDecoder, AnyBytesDecodeIntoRegistersTheirNamesFind) {
    std::mt19937 random(20240611);
    for (int round = 0; round < 3000; ++round) {
        const size_t size = round % 3 == 0 ? 256 : round % 3 == 1 ? 4096 : random() % 300;
        std::vector<uint8_t> bytes(size);
        for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
        if (size >= 0x40 && round % 2) {
            // Mostly zeros with a few chains, so capabilities are found and read at length.
            std::fill(bytes.begin() + 0x40, bytes.end(), 0);
            bytes[0x06] |= 0x10;
            for (int i = 0; i < 12; ++i) bytes[random() % size] = static_cast<uint8_t>(random());
            if (size >= 4096) bytes[0x102] = static_cast<uint8_t>(random() % 0x20);
        }
        std::vector<uint8_t> readable;
        if (round % 5 == 0) {
            for (size_t i = 0; i < size / 4; ++i) readable.push_back(random() % 8 != 0);
        }
        DecodedFunction function = Decode(bytes, readable);
        uint32_t lastEnd = 0;
        std::set<std::string> names;
        std::vector<const DecodedRegister*> order;
        for (const DecodedRegister& reg : function.Registers()) order.push_back(&reg);
        std::sort(order.begin(), order.end(),
                  [](auto* a, auto* b) { return a->offset < b->offset; });
        for (const DecodedRegister* reg : order) {
            const DecodedStructure& s = function.StructureOf(*reg);
            ASSERT_GE(reg->offset, lastEnd) << round;
            ASSERT_GE(reg->offset, s.offset) << round;
            ASSERT_LE(reg->offset + reg->Width(), s.end) << round;
            ASSERT_LE(reg->offset + reg->Width(), size) << round;
            lastEnd = reg->offset + reg->Width();
            const std::string name = FullName(function, *reg);
            ASSERT_TRUE(names.insert(name).second) << round << " " << name;
            NameLookup found = FindName(function, name);
            ASSERT_TRUE(found.Ok()) << round << " " << name << ": " << found.error;
            ASSERT_EQ(found.location.reg, reg) << round << " " << name;
            (void)DwordSummary(function, reg->offset);
        }
    }
}

}  // namespace
