// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <map>
#include <optional>

#include "cli/ExpositionFormat.h"
#include "cli/FunctionMetrics.h"
#include "pcidef/ConfigBuilder.h"
#include "pcidef/ConfigDecoder.h"
#include "support/ExpositionParser.h"

namespace {

constexpr uint32_t kLnkCap = 0x0C;  // in the PCI Express capability
constexpr uint32_t kLnkSta = 0x12;
constexpr uint32_t kDllActiveReporting = 1u << 20;
constexpr uint32_t kDllActive = 1u << 13;

// An Ethernet endpoint with its PCI Express capability at 0x40 and AER at 0x100.
ConfigBuilder Endpoint() {
    ConfigBuilder config(4096);
    config.W32(0x08, 0x02000001).Cap(0x40, 0x10).W16(0x42, 0x0002);
    config.ExtCap(0x100, 0x0001, 2);
    return config;
}

// The metrics of a function as a collector reads them.
ParsedExposition Collect(const ConfigBuilder& config, std::vector<uint8_t> readable = {}) {
    const pcidef::DecodedFunction decoded = pcidef::Decode(config.bytes, readable);
    const std::vector<MetricSample> samples = FunctionSamples(decoded, {3, 0, 1});
    ParsedExposition parsed = ParseExposition(FormatExposition(MetricFamilies(), samples));
    EXPECT_TRUE(parsed.errors.empty()) << parsed.errors.front();
    return parsed;
}

std::optional<double> Value(const ParsedExposition& parsed, const std::string& name,
                            const std::map<std::string, std::string>& labels = {}) {
    const auto found = parsed.Find(name, labels);
    EXPECT_LE(found.size(), 1u) << name;
    if (found.empty()) return std::nullopt;
    return found.front()->value;
}

struct LinkCase {
    const char* name;
    uint16_t flags;
    uint32_t capabilities;
    uint16_t status;
    bool statusRefused;
    // speed, width, capable speed, capable width, downgraded; nullopt: no sample
    std::optional<double> expected[5];
};

TEST(FunctionMetrics, LinkAgainstWhatItIsCapableOf) {
    const char* families[] = {"tarvolent_pcie_link_speed_gts", "tarvolent_pcie_link_width",
                              "tarvolent_pcie_link_capable_speed_gts",
                              "tarvolent_pcie_link_capable_width",
                              "tarvolent_pcie_link_downgraded"};
    const LinkCase cases[] = {
        {"as capable", 0x0002, 0x104, 0x0104, false, {16, 16, 16, 16, 0}},
        {"slower and narrower", 0x0002, 0x104, 0x0083, false, {8, 8, 16, 16, 1}},
        {"narrower only", 0x0002, 0x104, 0x0084, false, {16, 8, 16, 16, 1}},
        {"2.5GT/s x1", 0x0002, 0x011, 0x0011, false, {2.5, 1, 2.5, 1, 0}},
        {"64GT/s", 0x0002, 0x106, 0x0106, false, {64, 16, 64, 16, 0}},
        {"down: no lanes", 0x0002, 0x104, 0x0001, false, {2.5, 0, 16, 16, 0}},
        {"down: the data link says so",
         0x0002,
         kDllActiveReporting | 0x104,
         0x0083,
         false,
         {8, 8, 16, 16, 0}},
        {"up: the data link says so",
         0x0002,
         kDllActiveReporting | 0x104,
         kDllActive | 0x0083,
         false,
         {8, 8, 16, 16, 1}},
        {"a speed no encoding has", 0x0002, 0x104, 0x0087, false, {std::nullopt, 8, 16, 16, 1}},
        {"no speed supported", 0x0002, 0, 0, false, {}},
        {"integrated endpoint", 0x0092, 0x104, 0x0104, false, {}},
        {"root port", 0x0042, 0x104, 0x0083, false, {8, 8, 16, 16, 1}},
        {"link status refused", 0x0002, 0x104, 0x0083, true, {}},
    };
    for (const LinkCase& c : cases) {
        SCOPED_TRACE(c.name);
        ConfigBuilder config = Endpoint();
        config.W16(0x42, c.flags).W32(0x40 + kLnkCap, c.capabilities).W16(0x40 + kLnkSta, c.status);
        std::vector<uint8_t> readable(1024, 1);
        if (c.statusRefused) readable[(0x40 + kLnkSta) / 4] = 0;
        const ParsedExposition parsed = Collect(config, readable);
        for (size_t i = 0; i < std::size(families); ++i)
            EXPECT_EQ(Value(parsed, families[i]), c.expected[i]) << families[i];
    }
}

TEST(FunctionMetrics, ErrorBitsAndTheirLabels) {
    ConfigBuilder config = Endpoint();
    config.W16(0x06, 0x2010);       // Status: received master abort
    config.W16(0x4A, 0x0005);       // DevSta: correctable, fatal
    config.W32(0x104, 0x80104010);  // UncorSta: DLP, completion timeout, UR; bit 31 reserved
    config.W32(0x10C, 0x00000030);  // UncorSev: DLP and surprise down fatal
    config.W32(0x110, 0x80000041);  // CorSta: receiver, bad TLP; bit 31 reserved
    const ParsedExposition parsed = Collect(config);
    const std::map<std::string, std::string> labels = {{"segment", "0000"},
                                                       {"bdf", "03:00.1"},
                                                       {"vendor", "8086"},
                                                       {"device", "1234"},
                                                       {"class", "020000"}};
    EXPECT_EQ(Value(parsed, "tarvolent_pcie_aer_correctable_status_bits", labels), 2);
    EXPECT_EQ(Value(parsed, "tarvolent_pcie_aer_nonfatal_status_bits", labels), 2);
    EXPECT_EQ(Value(parsed, "tarvolent_pcie_aer_fatal_status_bits", labels), 1);
    const std::pair<const char*, double> deviceStatus[] = {
        {"correctable", 1}, {"nonfatal", 0}, {"fatal", 1}, {"unsupported_request", 0}};
    for (const auto& [error, set] : deviceStatus)
        EXPECT_EQ(Value(parsed, "tarvolent_pcie_device_status_error", {{"error", error}}), set)
            << error;
    const std::pair<const char*, double> status[] = {
        {"master_data_parity", 0},    {"signaled_target_abort", 0}, {"received_target_abort", 0},
        {"received_master_abort", 1}, {"signaled_system_error", 0}, {"detected_parity", 0}};
    for (const auto& [error, set] : status)
        EXPECT_EQ(Value(parsed, "tarvolent_pci_status_error", {{"error", error}}), set) << error;

    // A conventional PCI function has only the header's bits; a refused
    // severity leaves the uncorrectable counts out rather than guessing.
    ConfigBuilder conventional(256);
    EXPECT_EQ(Collect(conventional).samples.size(), std::size(status));
    std::vector<uint8_t> readable(1024, 1);
    readable[0x10C / 4] = 0;
    const ParsedExposition refused = Collect(config, readable);
    EXPECT_FALSE(Value(refused, "tarvolent_pcie_aer_fatal_status_bits"));
    EXPECT_FALSE(Value(refused, "tarvolent_pcie_aer_nonfatal_status_bits"));
    EXPECT_EQ(Value(refused, "tarvolent_pcie_aer_correctable_status_bits"), 2);
}

}  // namespace
