// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "hw/DriverDevice.h"
#include "hw/DriverInstaller.h"
#include "pci/names/PciClassFile.h"
#include "platform/route/MachineSelection.h"
#include "support/CliTest.h"
#include "support/PciPeer.h"

namespace {

class CliScanTest : public CliTest {};

std::string FunctionJson(const std::string& bdf, const std::string& firstDwords) {
    return R"({"bdf": ")" + bdf + R"(", "config": ")" + firstDwords + R"("})";
}

}  // namespace

TEST_F(CliScanTest, BuiltinMachineListsAsTheGoldenFile) {
    CliRun run = Run("scan", "builtin");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, ReadWholeFile(std::string(TARVOLENT_SOURCE_DIR) +
                                     "/tests/pci/golden/cli-scan-builtin.txt"));
    EXPECT_EQ(run.err, "");

    // The option may follow the command; the filter keeps list order.
    CliRun pcie = Run("scan --filter pcie --machine builtin");
    CliRun pci = Run("scan --filter pci", "builtin");
    EXPECT_EQ(pcie.exitCode, 0);
    EXPECT_EQ(pci.exitCode, 0);
    std::string merged;
    std::istringstream all(run.out);
    std::string pcieLeft = pcie.out, pciLeft = pci.out;
    for (std::string line; std::getline(all, line);) {
        std::string& from = pcieLeft.rfind(line + "\n", 0) == 0 ? pcieLeft : pciLeft;
        ASSERT_EQ(from.rfind(line + "\n", 0), 0u) << line;
        from.erase(0, line.size() + 1);
    }
    EXPECT_EQ(pcieLeft + pciLeft, "");
    EXPECT_FALSE(pcie.out.empty());
    EXPECT_FALSE(pci.out.empty());
}

TEST_F(CliScanTest, ReportsFailuresOnStderr) {
    std::string plainPci = WriteMachine(
        "plain.json", R"({"functions": [)" + FunctionJson("00:00.0", "86803e30 00000000") + "]}");
    CliRun none = Run("scan --filter pcie", plainPci);
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_EQ(none.out, "");
    EXPECT_EQ(none.err, "Error!  No corresponding device found!\n");

    CliRun empty = Run("scan", WriteMachine("empty.json", R"({"functions": []})"));
    EXPECT_EQ(empty.exitCode, 1);
    EXPECT_EQ(empty.err, "Error!  No corresponding device found!\n");

    CliRun broken = Run("scan", WriteMachine("broken.json", R"({"functions": [{"bdf": 5}]})"));
    EXPECT_EQ(broken.exitCode, 1);
    EXPECT_NE(broken.err.find("Error! Load driver failed!\n"), std::string::npos) << broken.err;

    for (const char* arguments :
         {"bogus", "scan --filter both extra", "scan --filter", "", "scan --machine"}) {
        CliRun usage = Run(arguments);
        EXPECT_EQ(usage.exitCode, 2) << arguments;
        EXPECT_NE(usage.err.find("usage: tarvolent-cli"), std::string::npos) << arguments;
        EXPECT_EQ(usage.out, "");
    }
    CliRun help = Run("--help");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("scan [--filter both|pci|pcie]"), std::string::npos);
}

// Read-only: the real functions of this machine, compared with lspci.
TEST_F(CliScanTest, RealFunctionsAgreeWithLspci) {
    std::error_code error;
    if (std::filesystem::is_empty("/sys/bus/pci/devices", error) || error)
        GTEST_SKIP() << "no PCI functions";
    if (std::string why = OwnDriverUnavailable(); !why.empty()) GTEST_SKIP() << why;
    if (std::system("lspci --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "no lspci";

    std::map<std::string, std::string> peerIdentity;  // "bb:dd.f" -> "vvvv:dddd"
    std::map<std::string, uint32_t> peerClass;
    std::FILE* pipe = popen("lspci -Dvmmn", "r");
    ASSERT_TRUE(pipe);
    std::string slot, vendor;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe)) {
        std::string line(buffer);
        if (!line.empty() && line.back() == '\n') line.pop_back();
        std::string key = line.substr(0, line.find(':'));
        std::string value = line.substr(line.find('\t') + 1);
        if (key == "Slot") {
            slot = value.rfind("0000:", 0) == 0 ? value.substr(5) : std::string();
        } else if (slot.empty()) {
            continue;
        } else if (key == "Class") {
            peerClass[slot] = std::stoul(value, nullptr, 16) << 8;
        } else if (key == "Vendor") {
            vendor = value;
        } else if (key == "Device") {
            peerIdentity[slot] = vendor + ":" + value;
        } else if (key == "ProgIf") {
            peerClass[slot] |= std::stoul(value, nullptr, 16);
        }
    }
    pclose(pipe);
    ASSERT_FALSE(peerIdentity.empty());

    CliRun run = Run("scan");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(TARVOLENT_BIN_DIR);
    std::regex form(
        R"((.*) \(VendorID=([0-9A-F]{4}) .*, DeviceID=([0-9A-F]{4}), Bus ([0-9A-F]+), Device ([0-9A-F]+), Function ([0-7])\))");
    std::istringstream lines(run.out);
    size_t listed = 0;
    for (std::string line; std::getline(lines, line); ++listed) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(line, m, form)) << line;
        char bdf[16];
        std::snprintf(bdf, sizeof bdf, "%02lx:%02lx.%s", std::stoul(m[4], nullptr, 16),
                      std::stoul(m[5], nullptr, 16), m[6].str().c_str());
        std::string identity = m[2].str() + ":" + m[3].str();
        for (char& c : identity) c = static_cast<char>(std::tolower(c));
        ASSERT_EQ(peerIdentity.count(bdf), 1u) << bdf;
        EXPECT_EQ(identity, peerIdentity[bdf]) << bdf;
        std::string className;
        LookupClassName(peerClass[bdf], &className);
        EXPECT_EQ(m[1].str(), className) << bdf;
    }
    std::filesystem::current_path(previous);
    EXPECT_EQ(listed, peerIdentity.size());
}
