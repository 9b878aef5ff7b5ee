// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/CliTest.h"
#include "support/ExpositionParser.h"
#include "support/FileMode.h"
#include "support/MachineJson.h"

namespace {

namespace fs = std::filesystem;

using CliMetricsTest = CliTest;

double Only(const ParsedExposition& parsed, const std::string& name, const std::string& bdf) {
    const auto found = parsed.Find(name, {{"bdf", bdf}});
    EXPECT_EQ(found.size(), 1u) << name << " " << bdf;
    return found.empty() ? -1 : found.front()->value;
}

// The builtin workstation as a collector reads it: the graphics link that
// trained below its capability, on both of its ends, and the error bits the
// machine has set.
TEST_F(CliMetricsTest, BuiltinWorkstationAsACollectorReadsIt) {
    CliRun run = Run("metrics", "builtin");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const ParsedExposition parsed = ParseExposition(run.out);
    ASSERT_TRUE(parsed.errors.empty()) << parsed.errors.front();

    for (const char* bdf : {"00:1b.0", "04:00.0"}) {
        SCOPED_TRACE(bdf);
        EXPECT_EQ(Only(parsed, "tarvolent_pcie_link_downgraded", bdf), 1);
        EXPECT_EQ(Only(parsed, "tarvolent_pcie_link_speed_gts", bdf), 8);
        EXPECT_EQ(Only(parsed, "tarvolent_pcie_link_width", bdf), 8);
        EXPECT_EQ(Only(parsed, "tarvolent_pcie_link_capable_speed_gts", bdf), 16);
        EXPECT_EQ(Only(parsed, "tarvolent_pcie_link_capable_width", bdf), 16);
    }
    const auto downgraded = parsed.Find("tarvolent_pcie_link_downgraded");
    EXPECT_EQ(std::count_if(downgraded.begin(), downgraded.end(),
                            [](const ParsedSample* s) { return s->value != 0; }),
              2);
    EXPECT_EQ(Only(parsed, "tarvolent_pcie_link_speed_gts", "00:1c.0"), 5);
    EXPECT_EQ(Only(parsed, "tarvolent_pcie_link_capable_width", "02:00.0"), 1);
    EXPECT_EQ(Only(parsed, "tarvolent_pcie_aer_correctable_status_bits", "00:1b.0"), 2);
    EXPECT_EQ(Only(parsed, "tarvolent_pcie_aer_nonfatal_status_bits", "04:00.0"), 1);
    EXPECT_EQ(Only(parsed, "tarvolent_pcie_aer_fatal_status_bits", "04:00.0"), 0);
    // Every function has the header's bits; only PCI Express ones a link.
    const auto header = parsed.Find("tarvolent_pci_status_error", {{"error", "detected_parity"}});
    EXPECT_EQ(header.size(), 19u);
    // The second segment's function is labelled with it.
    EXPECT_EQ(
        parsed.Find("tarvolent_pci_status_error", {{"segment", "0001"}, {"bdf", "0001:00:00.0"}})
            .size(),
        6u);
    EXPECT_TRUE(parsed.Find("tarvolent_pcie_link_width", {{"bdf", "00:14.0"}}).empty());
    const auto labelled = parsed.Find("tarvolent_pcie_link_width", {{"segment", "0000"},
                                                                    {"bdf", "04:00.0"},
                                                                    {"vendor", "8086"},
                                                                    {"device", "56a0"},
                                                                    {"class", "030000"}});
    EXPECT_EQ(labelled.size(), 1u);
}

// -o replaces the file whole, readable by a collector of another user, and
// leaves nothing else behind; a file it cannot write fails the command.
TEST_F(CliMetricsTest, OutputFileIsReplacedWhole) {
    const fs::path folder = Scratch() / "textfile";
    fs::remove_all(folder);
    fs::create_directories(folder);
    const fs::path path = folder / "tarvolent.prom";
    CliRun toStdout = Run("metrics", "builtin");
    const mode_t mask = umask(077);
    CliRun toFile = Run("metrics -o '" + path.string() + "'", "builtin");
    umask(mask);
    EXPECT_EQ(toFile.exitCode, 0) << toFile.err;
    EXPECT_EQ(toFile.out, "");
    EXPECT_EQ(ReadWholeFile(path.string()), toStdout.out);
    EXPECT_EQ(ModeOf(path), 0644u);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);

    CliRun missing = Run("metrics -o '" + (folder / "no/such.prom").string() + "'", "builtin");
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("no/such.prom was not written"), std::string::npos) << missing.err;

    for (const char* arguments : {"metrics -o", "metrics --bogus", "metrics -o a -o b"}) {
        CliRun run = Run(arguments, "builtin");
        EXPECT_EQ(run.exitCode, 2) << arguments;
        EXPECT_NE(run.err.find("usage: tarvolent-cli"), std::string::npos) << arguments;
    }
}

// Through the window wherever it is, or function by function where there
// is none: the same metrics.
TEST_F(CliMetricsTest, EveryWayOfReadingGivesTheSameMetrics) {
    std::string workstation =
        ReadWholeFile(std::string(TARVOLENT_SOURCE_DIR) + "/data/machines/workstation.json");
    const std::string at = R"("base": "0xE0000000")";
    ASSERT_NE(workstation.find(at), std::string::npos);
    workstation.replace(workstation.find(at), at.size(), R"("base": "0xC0000000")");
    const std::string conventional =
        MachineJson({{"00:00.0", {{0x00, 0x12348086}, {0x04, 0x20000000}, {0x08, 0x06000000}}},
                     {"00:1f.0", {{0x00, 0xA3058086}, {0x08, 0x06010010}}},
                     {"03:00.0", {{0x00, 0x1533808F}, {0x04, 0x80000000}, {0x08, 0x02000003}}}});
    std::string windowed = conventional;
    windowed.insert(1, R"("ecam": {"base": "0xD0000000"}, )");
    struct Pair {
        const char* name;
        std::string reference;  // a machine, or "builtin"
        std::string other;
    };
    const Pair pairs[] = {
        {"the window elsewhere", "builtin", WriteMachine("window-c.json", workstation)},
        {"no window", WriteMachine("windowed.json", windowed),
         WriteMachine("conventional.json", conventional)},
    };
    for (const Pair& pair : pairs) {
        SCOPED_TRACE(pair.name);
        const CliRun reference = Run("metrics", pair.reference);
        const CliRun other = Run("metrics", pair.other);
        EXPECT_EQ(reference.exitCode, 0) << reference.err;
        EXPECT_EQ(other.exitCode, 0) << other.err;
        EXPECT_EQ(other.out, reference.out);
        EXPECT_TRUE(ParseExposition(other.out).errors.empty());
    }
    const ParsedExposition parsed = ParseExposition(Run("metrics", pairs[1].other).out);
    const auto masterAbort = parsed.Find("tarvolent_pci_status_error",
                                         {{"bdf", "00:00.0"}, {"error", "received_master_abort"}});
    const auto parity = parsed.Find("tarvolent_pci_status_error",
                                    {{"bdf", "03:00.0"}, {"error", "detected_parity"}});
    ASSERT_EQ(masterAbort.size(), 1u);
    ASSERT_EQ(parity.size(), 1u);
    EXPECT_EQ(masterAbort.front()->value, 1);
    EXPECT_EQ(parity.front()->value, 1);
    EXPECT_EQ(parsed.Find("tarvolent_pci_status_error").size(), 3u * 6);
}

}  // namespace
