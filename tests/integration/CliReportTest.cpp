// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/CliTest.h"
#include "support/MachineJson.h"
#include "support/PciPeer.h"

namespace {

constexpr uint32_t kCapList = 1u << 20;

class CliReportTest : public CliTest {
  protected:
    // A PCI function and a PCI Express endpoint of 4096 bytes behind the window.
    std::string SmallMachine() {
        const std::string endpoint =
            ConfigHex({{0x00, 0xA808144D}, {0x04, kCapList}, {0x34, 0x40}, {0x40, 0x0010}}) +
            std::string(2 * (4096 - 256), '0');
        std::string json = MachineJson({{"00:00.0", {{0x00, 0x12348086}, {0x08, 0x06000000}}}});
        json.insert(json.size() - 2, R"(, {"bdf": "01:00.0", "config": ")" + endpoint + R"("})");
        json.insert(1, R"("ecam": {"base": "0xE0000000"}, )");
        return WriteMachine("small.json", json);
    }
};

std::string Golden() {
    return ReadWholeFile(std::string(TARVOLENT_SOURCE_DIR) +
                         "/tests/pci/golden/cli-report-all-builtin.txt");
}

// The lines of the all-devices section whose heading mentions `bdf`, from
// its column header to its last register.
std::vector<std::string> SectionOf(const std::string& report, const std::string& bdf,
                                   std::string* heading) {
    std::istringstream in(report);
    std::vector<std::string> lines;
    bool inside = false;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("  ", 0) == 0 && line.find(bdf) != std::string::npos) {
            inside = true;
            *heading = line.substr(2);
        } else if (inside && line.empty() && !lines.empty()) {
            break;
        } else if (inside && !line.empty()) {
            lines.push_back(line);
        }
    }
    return lines;
}

std::vector<std::string> ReportBody(const std::string& report, std::string* heading) {
    std::istringstream in(report);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    if (lines.size() < 3) return {};
    *heading = lines[2];
    return std::vector<std::string>(lines.begin() + 4, lines.end());
}

}  // namespace

TEST_F(CliReportTest, BuiltinAllDevicesReportAsTheGoldenFile) {
    CliRun run = Run("report --all", "builtin");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, Golden());

    // Into a file, with segment 0's window base given: the same bytes up to
    // the function of segment 1, whose own window lies elsewhere, so that
    // base shows it segment 0's 00:00.0, as one base serves every function.
    const std::string path = (Scratch() / "hwinfo.log").string();
    CliRun toFile = Run("report --base E0000000 --all -o '" + path + "'", "builtin");
    EXPECT_EQ(toFile.exitCode, 0) << toFile.err;
    EXPECT_EQ(toFile.out, "");
    const std::string written = ReadWholeFile(path);
    const size_t segmentOne = Golden().find("  System peripheral");
    ASSERT_NE(segmentOne, std::string::npos);
    EXPECT_EQ(written.substr(0, segmentOne), Golden().substr(0, segmentOne));
    EXPECT_NE(written.find("             000        3E308086", segmentOne), std::string::npos);
}

TEST_F(CliReportTest, CurrentReportShowsTheFunctionAsItsAllDevicesSection) {
    for (const char* bdf : {"01:00.0", "00:1F.3", "0:1f.4"}) {
        CliRun run = Run(std::string("report --current ") + bdf, "builtin");
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out.rfind("========================= Current PCI Device Information", 0), 0u);
        std::string shownHeading, sectionHeading;
        const std::vector<std::string> body = ReportBody(run.out, &shownHeading);
        const std::string function = std::string(", Function ") + std::string(bdf).back() + ")";
        EXPECT_NE(shownHeading.find(function), std::string::npos) << shownHeading;
        const std::vector<std::string> section = SectionOf(
            Golden(), shownHeading.substr(shownHeading.find("(VendorID")), &sectionHeading);
        EXPECT_EQ(sectionHeading, shownHeading);
        EXPECT_EQ(body, section) << bdf;
    }

    // An unlisted function is headed "N/A" and read all the same.
    CliRun absent = Run("report --current 07:00.0", "builtin");
    EXPECT_EQ(absent.exitCode, 0) << absent.err;
    std::string heading;
    const std::vector<std::string> body = ReportBody(absent.out, &heading);
    EXPECT_EQ(heading, "N/A");
    ASSERT_EQ(body.size(), 1u + 64);
    EXPECT_EQ(body[1].substr(0, 32), "             000        FFFFFFFF");
}

TEST_F(CliReportTest, ReadAndWriteRoundTripOnAMachineFile) {
    const std::string machine = SmallMachine();
    CliRun write = Run("write 00:00.0 3C 0000010B", machine);
    EXPECT_EQ(write.exitCode, 0) << write.err;
    EXPECT_EQ(Run("read 00:00.0 3C", machine).out, "0000010B\n");
    // Read-only bytes keep their value.
    EXPECT_EQ(Run("write 00:00.0 0 FFFFFFFF", machine).exitCode, 0);
    EXPECT_EQ(Run("read 00:00.0 0", machine).out, "12348086\n");

    // Beyond 0xFF only the window reaches: the endpoint is written through it.
    EXPECT_EQ(Run("write 01:00.0 104 cafe", machine).exitCode, 0);
    EXPECT_EQ(Run("read 01:00.0 104", machine).out, "0000CAFE\n");
    EXPECT_EQ(Run("read 01:00.0 FFC", machine).out, "00000000\n");

    CliRun beyond = Run("read 00:00.0 100", machine);
    EXPECT_EQ(beyond.exitCode, 1);
    EXPECT_NE(beyond.err.find("beyond the 256 configuration bytes"), std::string::npos)
        << beyond.err;
}

TEST_F(CliReportTest, BaseTakesEveryTextTheWindowsBoxTakes) {
    const std::string machine = SmallMachine();
    const CliRun reference = Run("report --current 01:00.0 --base E0000000", machine);
    ASSERT_EQ(reference.exitCode, 0) << reference.err;
    EXPECT_NE(reference.out.find("A808144D"), std::string::npos);
    // Leading zeros never change the base, however many there are.
    for (const char* base : {"0E0000000", "00000000e0000000", "Auto", "auto"}) {
        const CliRun run = Run(std::string("report --current 01:00.0 --base ") + base, machine);
        EXPECT_EQ(run.exitCode, 0) << base << run.err;
        EXPECT_EQ(run.out, reference.out) << base;
    }
    CliRun wide = Run("report --current 01:00.0 --base 1E0000000", machine);
    EXPECT_EQ(wide.exitCode, 1);
    EXPECT_EQ(wide.err, "Input PCI Express memory mapped base address error!\n");
    EXPECT_EQ(wide.out, "");

    // Offsets and values likewise: their whole value, within 32 bits.
    EXPECT_EQ(Run("write 00:00.0 00000003C 000000000000010B", machine).exitCode, 0);
    EXPECT_EQ(Run("read 00:00.0 0000000000003C", machine).out, "0000010B\n");
    EXPECT_EQ(Run("read 00:00.0 10000003C", machine).exitCode, 2);
}

TEST_F(CliReportTest, BadInputIsNamedAndNothingIsWritten) {
    const std::string machine = SmallMachine();
    for (const char* arguments :
         {"read 100:00.0 0", "read 00:20.0 0", "read 00:00.8 0", "read 0000.0 0", "read 00:00 0",
          "read 00:00.0 2", "read 00:00.0 zz", "read 00:00.0", "write 00:00.0 0", "report",
          "report --all --current 00:00.0", "report --current", "report --bogus"}) {
        CliRun run = Run(arguments, machine);
        EXPECT_EQ(run.exitCode, 2) << arguments;
        EXPECT_NE(run.err.find("usage: tarvolent-cli"), std::string::npos) << arguments;
        EXPECT_EQ(run.out, "") << arguments;
    }
    CliRun bdf = Run("read 00:20.0 0", machine);
    EXPECT_NE(bdf.err.find("\"00:20.0\" is not a function [DDDD:]BB:DD.F"), std::string::npos);

    for (const char* value : {"xyz", "123456789", "\"\""}) {
        CliRun run = Run(std::string("write 00:00.0 3C ") + value, machine);
        EXPECT_EQ(run.exitCode, 1) << value;
        EXPECT_EQ(run.err, "Input Data Error!\n") << value;
    }
    EXPECT_EQ(Run("read 00:00.0 3C", machine).out, "00000000\n");

    CliRun base = Run("report --all --base E000000G", machine);
    EXPECT_EQ(base.exitCode, 1);
    EXPECT_EQ(base.err, "Input PCI Express memory mapped base address error!\n");

    CliRun unopenable =
        Run("report --all -o '" + (Scratch() / "no" / "x.log").string() + "'", machine);
    EXPECT_EQ(unopenable.exitCode, 1);
    EXPECT_EQ(unopenable.err, "Error! Unable to open file!\n");

    CliRun full = Run("report --all -o /dev/full", machine);
    EXPECT_EQ(full.exitCode, 1);
    EXPECT_EQ(full.err, "Error! Unable to write file!\n");

    CliRun empty =
        Run("report --current 00:00.0", WriteMachine("empty.json", R"({"functions": []})"));
    EXPECT_EQ(empty.exitCode, 1);
    EXPECT_EQ(empty.err,
              "Error!  No corresponding device found!\n"
              "Error! There is no PCI device information available!\n");

    CliRun help = Run("--help");
    EXPECT_NE(help.out.find("report --all | --current BB:DD.F [--base auto|HEX] [-o FILE]"),
              std::string::npos);
    EXPECT_NE(help.out.find("write BB:DD.F OFFSET VALUE"), std::string::npos);
}

// Read-only: this machine's functions, against their sysfs configuration files.
TEST_F(CliReportTest, RealFunctionsReadAsTheirConfigFiles) {
    const std::filesystem::path devices = "/sys/bus/pci/devices";
    std::error_code error;
    if (std::filesystem::is_empty(devices, error) || error) GTEST_SKIP() << "no PCI functions";
    if (std::string why = OwnDriverUnavailable(); !why.empty()) GTEST_SKIP() << why;
    if (!std::filesystem::exists("/sys/firmware/acpi/tables/MCFG"))
        GTEST_SKIP() << "no configuration window to read PCI Express functions through";
    int compared = 0;
    for (const auto& entry : std::filesystem::directory_iterator(devices)) {
        const std::string name = entry.path().filename().string();  // 0000:BB:DD.F
        if (name.rfind("0000:", 0) != 0 || compared == 4) continue;
        const std::string config = ReadWholeFile((entry.path() / "config").string());
        if (config.size() < 12) continue;
        for (unsigned offset : {0u, 8u}) {
            uint32_t dword = 0;
            std::memcpy(&dword, config.data() + offset, 4);
            char expected[16];
            std::snprintf(expected, sizeof expected, "%08X\n", dword);
            CliRun run = Run("read " + name.substr(5) + " " + std::to_string(offset));
            EXPECT_EQ(run.exitCode, 0) << name << run.err;
            EXPECT_EQ(run.out, expected) << name << " offset " << offset;
        }
        ++compared;
    }
    EXPECT_GT(compared, 0);
}
