// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "support/CliTest.h"
#include "support/JsonSchemaCheck.h"
#include "support/MachineJson.h"

namespace {

using nlohmann::json;
using Lines = std::vector<std::string>;

Lines LinesOf(const std::string& text) {
    std::istringstream in(text);
    Lines lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

class CliDecodeTest : public CliTest {
  protected:
    // A PCI function whose Status has a parity error flagged, and a PCI
    // Express endpoint of 4096 bytes behind the window (Max Payload 128 of
    // 256 supported).
    std::string SmallMachine() {
        const std::string endpoint = ConfigHex({{0x00, 0xA808144D},
                                                {0x04, 0x00100000},
                                                {0x34, 0x40},
                                                {0x40, 0x00020010},
                                                {0x44, 0x00000001},
                                                {0x48, 0x00002810}}) +
                                     std::string(2 * (4096 - 256), '0');
        std::string json = MachineJson(
            {{"00:00.0", {{0x00, 0x12348086}, {0x04, 0x80000006}, {0x08, 0x06000000}}}});
        json.insert(json.size() - 2, R"(, {"bdf": "01:00.0", "config": ")" + endpoint + R"("})");
        json.insert(1, R"("ecam": {"base": "0xE0000000"}, )");
        return WriteMachine("small.json", json);
    }

    json Json(const std::string& arguments, const std::string& def, const std::string& machine) {
        const CliRun run = Run(arguments, machine);
        EXPECT_EQ(run.exitCode, 0) << arguments << ": " << run.err;
        const json parsed = json::parse(run.out, nullptr, false);
        EXPECT_EQ(JsonSchemaErrors(CliJsonSchema(), def, parsed), Lines{}) << arguments;
        return parsed;
    }
};

// Each command's JSON is in the schema and says what its text says.
TEST_F(CliDecodeTest, JsonOfEveryCommandIsInTheSchemaAndMatchesItsText) {
    const json scan = Json("scan --json", "scan", "builtin");
    const Lines scanLines = LinesOf(Run("scan", "builtin").out);
    ASSERT_EQ(scan.size(), scanLines.size());
    for (size_t i = 0; i < scan.size(); ++i) EXPECT_EQ(scan[i]["line"], scanLines[i]);

    const json read = Json("read 00:1c.0 8 --json", "read", "builtin");
    EXPECT_EQ(read["value"], std::stoul(Run("read 00:1c.0 8", "builtin").out, nullptr, 16));

    const json decoded = Json("decode --all --json", "decode", "builtin");
    ASSERT_EQ(decoded.size(), scan.size());
    for (size_t i = 0; i < scan.size(); ++i) {
        EXPECT_EQ(decoded[i]["bdf"], scan[i]["bdf"]);
        EXPECT_EQ(decoded[i]["vendor_id"], scan[i]["vendor_id"]);
    }

    // The report's rows are the text report's lines, its bytes the values.
    const json report = Json("report --current 00:1c.0 --json", "report", "builtin");
    ASSERT_EQ(report.size(), 1u);
    const Lines text = LinesOf(Run("report --current 00:1c.0", "builtin").out);
    const json& rows = report[0]["rows"];
    ASSERT_EQ(rows.size() + 5, text.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        char line[64];
        std::snprintf(line, sizeof line, "%16.3X%16.8X\t", rows[i]["offset"].get<unsigned>(),
                      rows[i]["value"].get<unsigned>());
        EXPECT_EQ(text[i + 5], line + rows[i]["description"].get<std::string>());
    }
    const std::string config = report[0]["config"];
    ASSERT_EQ(config.size(), rows.size() * 8);
    for (size_t i = 0; i < rows.size(); ++i) {
        const unsigned value = rows[i]["value"];
        char bytes[9];
        std::snprintf(bytes, sizeof bytes, "%02x%02x%02x%02x", value & 0xFF, value >> 8 & 0xFF,
                      value >> 16 & 0xFF, value >> 24);
        EXPECT_EQ(config.substr(8 * i, 8), bytes) << i;
    }
    EXPECT_EQ(Json("report --all --json", "report", "builtin").size(), scan.size());
}

TEST_F(CliDecodeTest, DecodeTextNamesEachStructureAndField) {
    const std::string machine = SmallMachine();
    const CliRun run = Run("decode 01:00.0", machine);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const Lines lines = LinesOf(run.out);
    ASSERT_GT(lines.size(), 3u);
    EXPECT_EQ(lines[0], "01:00.0  144d:a808  class 000000  4096 bytes");
    EXPECT_EQ(lines[1], "[000] Header");
    auto has = [&](const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    };
    EXPECT_TRUE(has("[040] PCI Express (PCIe, ID 10)"));
    EXPECT_TRUE(has("  PCIe.DevCtl.MaxPayload  [7:5]  RW  0x0  128 bytes"));
    EXPECT_TRUE(has("  PCIe.DevCap.MaxPayload  [2:0]  RO  0x1  256 bytes"));

    const CliRun all = Run("decode --all", machine);
    EXPECT_EQ(all.exitCode, 0) << all.err;
    EXPECT_EQ(all.out.find("00:00.0  8086:1234"), 0u);
    EXPECT_NE(all.out.find("\n\n01:00.0  144d:a808"), std::string::npos);

    // --names offers what set can write.
    const Lines names = LinesOf(Run("decode 01:00.0 --names", machine).out);
    auto named = [&](const char* name) {
        return std::find(names.begin(), names.end(), name) != names.end();
    };
    EXPECT_TRUE(named("PCIe.DevCtl.MaxPayload"));
    EXPECT_TRUE(named("Status.DetectedParity"));
    EXPECT_FALSE(named("VendorID"));
    EXPECT_FALSE(named("PCIe.DevCap.MaxPayload"));

    for (const char* wrong : {"decode", "decode 01:00.0 --all", "decode --all --names",
                              "decode 1:2:3", "decode 01:00.0 --base XYZ"}) {
        const CliRun bad = Run(wrong, machine);
        EXPECT_EQ(bad.exitCode, 2) << wrong;
        EXPECT_EQ(bad.out, "") << wrong;
    }
}

// The simulated machine keeps what is written, so a read shows the dword
// `set` wrote: only the named bits changed, flags that clear on a 1 written
// as 0 unless named.
TEST_F(CliDecodeTest, SetWritesOnlyTheNamedFieldsAndRefusesTheRest) {
    const std::string machine = SmallMachine();
    struct Case {
        std::string arguments;
        int exitCode;
        std::string out;
        std::string err;
        std::string readAt;  // read after it: "BB:DD.F OFFSET"
        std::string read;
    };
    const Case cases[] = {
        {"00:00.0 Command.BusMaster=0 --dry-run", 0,
         "Command.BusMaster: yes (0x1) -> no (0x0)\nNothing written (--dry-run).\n", "",
         "00:00.0 4", "80000006\n"},
        {"00:00.0 Command.BusMaster=0", 0, "Command.BusMaster: yes (0x1) -> no (0x0)\n", "",
         "00:00.0 4", "00000002\n"},
        {"00:00.0 Status.DetectedParity=1 Command.IO=1", 0,
         "Status.DetectedParity: no (0x0) -> yes (0x1)\nCommand.IO: no (0x0) -> yes (0x1)\n", "",
         "00:00.0 4", "80000003\n"},
        {"01:00.0 PCIe.DevCtl.MaxPayload=256", 0,
         "PCIe.DevCtl.MaxPayload: 128 bytes (0x0) -> 256 bytes (0x1)\n", "", "01:00.0 48",
         "00002830\n"},
        {"01:00.0 VendorID=1 Nope.Field=1 Command.IO=2 PCIe.DevCtl.MaxReadReq=3 Command", 1, "",
         "tarvolent-cli: VendorID is read-only\n"
         "tarvolent-cli: Nope.Field: 'Nope' is neither a capability key nor a header register\n"
         "tarvolent-cli: Command.IO: 2 does not fit in 1 bit\n"
         "tarvolent-cli: PCIe.DevCtl.MaxReadReq: 3 is not a value of this field, which takes "
         "128 bytes to 4096 bytes\n"
         "tarvolent-cli: 'Command' is not NAME=VALUE\n",
         "01:00.0 48", "00002830\n"},
        {"05:00.0 Command.IO=1", 1, "", "tarvolent-cli: no function answers at 05:00.0\n", "", ""},
        {"01:00.0", 2, "", "", "", ""},
    };
    for (const Case& c : cases) {
        const CliRun run = Run("set " + c.arguments, machine);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.arguments << ": " << run.err;
        EXPECT_EQ(run.out, c.out) << c.arguments;
        if (c.exitCode != 2) {
            EXPECT_EQ(run.err, c.err) << c.arguments;
        }
        if (!c.readAt.empty()) {
            EXPECT_EQ(Run("read " + c.readAt, machine).out, c.read) << c.arguments;
        }
    }
}

// A function of another segment is read and written there, and its twin
// of segment 0 is left as it was.
TEST_F(CliDecodeTest, SetReachesAFunctionOfAnotherSegment) {
    const std::string before = Run("read 00:00.0 4", "builtin").out;
    ASSERT_EQ(Run("read 0001:00:00.0 4", "builtin").out, "00100406\n");
    const CliRun run = Run("set 0001:00:00.0 Command.BusMaster=0", "builtin");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "Command.BusMaster: yes (0x1) -> no (0x0)\n");
    EXPECT_EQ(Run("read 0001:00:00.0 4", "builtin").out, "00100402\n");
    EXPECT_EQ(Run("read 00:00.0 4", "builtin").out, before);
}

}  // namespace
