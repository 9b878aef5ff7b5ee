// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "sim/MachineFileLoader.h"
#include "support/CommandOutput.h"

namespace {

const char* kDump =
    "00:00.0 Host bridge: Intel Corporation Device 3e30 (rev 0d)\n"
    "\tSubsystem: ASUSTeK Computer Inc. Device 8694\n"
    "\tCapabilities: [e0] Vendor Specific Information: Len=10 <?>\n"
    "00: 86 80 30 3e 06 04 10 20 0d 00 00 06 00 00 00 00\n"
    "10: 01 02 03\n"
    "\n"
    "0001:40:00.0 Ethernet controller: Intel Corporation I210\n"
    "00: 86 80 33 15 06 04 10 00 03 00 00 02 00 00 00 00\n"
    "\n"
    "02:1f.7 Non-Volatile memory controller: Samsung\r\n"
    "00: 4d 14 08 a8 06 04 10 00 00 02 08 01 00 00 00 00\r\n"
    "ff0: 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 5a\r\n";

TEST(LspciDump, LoadsEveryDomainInFileOrderEachBehindAWindow) {
    MachineLoad load = MachineFileLoader::LoadText(kDump, "dump.txt");
    ASSERT_TRUE(load.Ok()) << load.error;
    EXPECT_TRUE(load.warnings.empty());
    const SimMachine& machine = *load.machine;
    ASSERT_EQ(machine.Functions().size(), 3u);
    EXPECT_EQ(machine.Functions()[0].Address(), (FunctionAddress{0, 0, 0}));
    EXPECT_EQ(machine.Functions()[0].Size(), 256u);
    EXPECT_EQ(machine.ConfigRead({0, 0, 0}, 0x10), 0x00030201u);  // short line, rest 0
    EXPECT_EQ(machine.Functions()[1].Address(), (FunctionAddress{0x40, 0, 0, 1}));
    EXPECT_EQ(machine.ConfigRead({0x40, 0, 0, 1}, 0), 0x15338086u);
    EXPECT_EQ(machine.ConfigRead({0x40, 0, 0}, 0), 0xFFFFFFFFu);
    EXPECT_EQ(machine.Functions()[2].Size(), 4096u);
    ASSERT_EQ(machine.Windows().size(), 2u);
    EXPECT_EQ(machine.Windows()[0].base, 0xE0000000u);
    EXPECT_EQ(machine.Windows()[1].base, 0xD0000000u);
    EXPECT_EQ(machine.Windows()[1].segment, 1u);
    uint8_t last = 0;
    machine.ReadPhysical(0xE0000000u + (2 << 20) + (0x1F << 15) + (7 << 12) + 0xFFF, &last, 1);
    EXPECT_EQ(last, 0x5A);
    uint32_t identity = 0;
    machine.ReadPhysical(0xD0000000u + (0x40 << 20), reinterpret_cast<uint8_t*>(&identity), 4);
    EXPECT_EQ(identity, 0x15338086u);
    EXPECT_TRUE(machine.Regions().empty());
}

TEST(LspciDump, ErrorsNameTheLineAndTheText) {
    struct Case {
        const char* text;
        const char* error;
    } cases[] = {
        {"00:00.0 Host\n00: 86 80 zz\n", "d.txt:2: bad byte \"zz\": \"00: 86 80 zz\""},
        {"10: 00 00\n", "d.txt:1: bytes before any function line: \"10: 00 00\""},
        {"00:00.0 A\n00:00.0 B\n", "d.txt:2: duplicate function (first at line 1): \"00:00.0 B\""},
        {"00:20.0 A\n", "d.txt:1: device or function out of range: \"00:20.0 A\""},
        {"00:00.0 A\nff8: 00 00 00 00 00 00 00 00 00\n",
         "d.txt:2: offset beyond 4096 bytes: \"ff8: 00 00 00 00 00 00 00 00 00\""},
        {"just some text\n", "d.txt: no PCI function found (neither JSON nor an lspci -xxx dump)"},
    };
    for (const Case& c : cases) {
        MachineLoad load = MachineFileLoader::LoadText(c.text, "d.txt");
        EXPECT_FALSE(load.Ok()) << c.text;
        EXPECT_EQ(load.error, c.error);
    }
}

// Segments beyond the bases the window probes are still listed and read;
// only their window is missing.
TEST(LspciDump, ManyDomainsAllLoad) {
    std::string dump;
    char line[64];
    for (int segment = 0; segment < 12; ++segment) {
        std::snprintf(line, sizeof line, "%04x:00:00.0 X\n00: 86 80 %02x 00\n", segment, segment);
        dump += line;
    }
    MachineLoad load = MachineFileLoader::LoadText(dump, "d.txt");
    ASSERT_TRUE(load.Ok()) << load.error;
    ASSERT_EQ(load.machine->Functions().size(), 12u);
    EXPECT_EQ(load.machine->ConfigRead({0, 0, 0, 11}, 0), 0x000B8086u);
    EXPECT_EQ(load.machine->Windows().size(), 8u);
}

// Lines of any length: ignored, read, or a named error, never a crash.
TEST(LspciDump, LinesOfAnyLengthAreReadOrNamed) {
    for (size_t length : {size_t{30000}, size_t{4} << 20}) {
        SCOPED_TRACE(length);
        const std::string junk(length, 'x');
        const std::string header = "00:00.0 " + std::string(length, 'y');
        std::string bytes = "00:";
        for (size_t i = 0; bytes.size() + 3 <= length; ++i) bytes += " 5a";
        MachineLoad load = MachineFileLoader::LoadText(
            junk + "\n" + header + "\n00: 86 80\n" + std::string(length, ' ') + "\n", "long.txt");
        ASSERT_TRUE(load.Ok()) << load.error;
        EXPECT_EQ(load.machine->ConfigRead({0, 0, 0}, 0), 0x8086u);

        load = MachineFileLoader::LoadText("00:00.0 A\n" + bytes + "\n", "long.txt");
        EXPECT_FALSE(load.Ok());
        EXPECT_EQ(load.error,
                  "long.txt:2: offset beyond 4096 bytes: \"" + bytes.substr(0, 80) + "...\"");
    }
    // The same in a file on disk, loaded as the driver loads it.
    const std::string path = ::testing::TempDir() + "long-lines.txt";
    std::ofstream(path) << "00:01.0 " << std::string(3 << 20, 'z') << "\n00: 86 80 3e 30\n";
    MachineLoad load = MachineFileLoader::Load(path);
    ASSERT_TRUE(load.Ok()) << load.error;
    EXPECT_EQ(load.machine->ConfigRead({0, 1, 0}, 0), 0x303E8086u);
    std::remove(path.c_str());
}

// The lines lspci prints for the first `length` bytes of a function.
std::string DumpLines(const PciFunction& function, size_t length) {
    std::string text;
    for (size_t offset = 0; offset < length; offset += 16) {
        char line[8];
        std::snprintf(line, sizeof(line), offset < 0x100 ? "%02zx:" : "%03zx:", offset);
        text += line;
        for (size_t i = 0; i < 16; ++i) {
            char byte[4];
            std::snprintf(byte, sizeof(byte), " %02x",
                          function.ReadByte(static_cast<uint32_t>(offset + i)));
            text += byte;
        }
        text += "\n";
    }
    return text;
}

TEST(LspciDump, ThisMachinesDumpLoadsToTheBytesLspciPrinted) {
    std::string dump = CommandOutput("lspci -D -xxxx 2>/dev/null");
    if (dump.empty()) GTEST_SKIP() << "no lspci or no PCI functions here";
    MachineLoad load = MachineFileLoader::LoadText(dump, "lspci");
    ASSERT_TRUE(load.Ok()) << load.error;
    ASSERT_FALSE(load.machine->Functions().empty());
    // Unprivileged lspci shows only the standard header.
    size_t shown = geteuid() == 0 ? 0 : 64;
    for (const PciFunction& function : load.machine->Functions()) {
        std::string header = "\n0000:" + function.Address().ToString() + " ";
        size_t at = ("\n" + dump).find(header);
        ASSERT_NE(at, std::string::npos) << header;
        size_t length = shown ? shown : function.Size();
        EXPECT_NE(dump.find(DumpLines(function, length), at), std::string::npos) << header;
    }
}

}  // namespace

// Dumps from elsewhere, where TARVOLENT_PEER_DUMPS names a folder of them:
// every one loads with at least one function (those of other domains too).
TEST(LspciDump, PeerDumpsEachLoadAFunctionAtLeast) {
    const char* folder = std::getenv("TARVOLENT_PEER_DUMPS");
    if (!folder || !*folder) GTEST_SKIP() << "TARVOLENT_PEER_DUMPS names no folder of dumps";
    int dumps = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (!entry.is_regular_file()) continue;
        MachineLoad load = MachineFileLoader::Load(entry.path().string());
        ASSERT_TRUE(load.Ok()) << load.error;
        EXPECT_FALSE(load.machine->Functions().empty()) << entry.path();
        std::printf("%s: %zu functions\n", entry.path().filename().c_str(),
                    load.machine->Functions().size());
        ++dumps;
    }
    EXPECT_GT(dumps, 0);
}
