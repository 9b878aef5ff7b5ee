// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "pcidef/ConfigDecoder.h"
#include "pcidef/FieldName.h"
#include "sim/MachineFileLoader.h"

namespace {

using namespace pcidef;

TEST(BuiltinMachineDecode, CarriesTheCapabilitiesEngineersReadAndOneBrokenChain) {
    MachineLoad load = MachineFileLoader::Load("builtin");
    ASSERT_TRUE(load.Ok()) << load.error;
    std::set<std::string> keys;
    std::map<std::string, std::string> notes;
    for (const PciFunction& function : load.machine->Functions()) {
        DecodedFunction decoded = Decode(function.Config());
        for (const DecodedStructure& s : decoded.Capabilities()) keys.insert(s.Key());
        for (const std::string& note : decoded.Notes())
            notes[function.Address().ToString()] += note;
    }
    for (const char* key : {"PM",   "MSI", "MSIX", "PCIe",  "VNDR", "SSVID", "AER",   "DSN",
                            "ACS",  "ARI", "ATS",  "SRIOV", "LTR",  "L1SS",  "REBAR", "SECPCI",
                            "PL16", "DPC", "PTM",  "TPH",   "VSEC", "DVSEC"}) {
        EXPECT_TRUE(keys.count(key)) << key;
    }
    // The audio function's MSI capability, 64-bit with masking, runs into PCI Express.
    EXPECT_EQ(notes, (std::map<std::string, std::string>{
                         {"00:16.0",
                          "capability list: pointer 0x50 at 0x8D leads back to a "
                          "capability already listed; the list ends"},
                         {"00:1f.3",
                          "MSI at 0x60: registers past 0x70 are cut (the next "
                          "capability starts there)"}}));
}

TEST(BuiltinMachineDecode, ShowsTheLinkAndErrorsAMetricsReaderWants) {
    MachineLoad load = MachineFileLoader::Load("builtin");
    ASSERT_TRUE(load.Ok()) << load.error;
    const PciFunction* port = load.machine->Find({0, 0x1B, 0});
    const PciFunction* graphics = load.machine->Find({4, 0, 0});
    ASSERT_TRUE(port && graphics);
    DecodedFunction root = Decode(port->Config());
    // A x16 16GT/s link trained at x8 8GT/s, on both of its ends.
    for (const PciFunction* end : {port, graphics}) {
        DecodedFunction decoded = Decode(end->Config());
        EXPECT_EQ(ValueOf(decoded, "PCIe.LnkCap.Speed"), 4u);
        EXPECT_EQ(ValueOf(decoded, "PCIe.LnkCap.Width"), 16u);
        EXPECT_EQ(ValueOf(decoded, "PCIe.LnkSta.Speed"), 3u);
        EXPECT_EQ(ValueOf(decoded, "PCIe.LnkSta.Width"), 8u);
    }
    EXPECT_EQ(ValueOf(root, "AER.RootSta.CorrRcvd"), 1u);
    EXPECT_EQ(ValueOf(root, "AER.ErrSrc.CorrSource"), 0x0400u);  // from 04:00.0
    DecodedFunction endpoint = Decode(graphics->Config());
    EXPECT_EQ(ValueOf(endpoint, "AER.UncorSta.CompletionTimeout"), 1u);
    EXPECT_EQ(ValueOf(endpoint, "AER.UncorSev.CompletionTimeout"), 0u);
    EXPECT_EQ(ValueOf(endpoint, "REBAR.Ctrl0.BarSize"), 0u);
    EXPECT_EQ(ValueOf(endpoint, "PCIe.LnkCap2.Speeds"), 0x0Fu);
}

}  // namespace
