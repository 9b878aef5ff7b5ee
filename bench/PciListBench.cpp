// SPDX-License-Identifier: MIT
// Device-list lines for 256 functions, built as the PCI window builds them,
// beside lspci naming the same functions from a dump of them. lspci loads its
// name database afresh in every run, so every round of ours starts without
// an index too and builds it from the files. Then the all-devices report of
// a dump through tarvolent-cli beside lspci printing the dump's bytes.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "AlternatingRounds.h"
#include "BenchDriver.h"
#include "BenchScratch.h"
#include "PeerProgram.h"
#include "pci/DeviceListLine.h"
#include "pci/names/PciClassFile.h"
#include "pci/names/PciIdFile.h"
#include "sim/MachineFileLoader.h"

namespace {

constexpr int kFunctions = 256;
constexpr int kRounds = 21;

struct Identity {
    uint32_t vendor;
    uint32_t device;
};

// Devices spread evenly over the whole name file, so lookups reach deep.
std::vector<Identity> SpreadIdentities(const std::string& pciIdFile) {
    std::vector<Identity> all;
    std::ifstream file(pciIdFile);
    uint32_t vendor = 0;
    for (std::string line; std::getline(file, line);) {
        unsigned id = 0;
        if (std::sscanf(line.c_str(), "VID %x", &id) == 1) vendor = id;
        if (std::sscanf(line.c_str(), "DID %x", &id) == 1 && vendor != 0xFFFF)
            all.push_back({vendor, id});
    }
    std::vector<Identity> chosen;
    for (int i = 0; i < kFunctions && !all.empty(); ++i)
        chosen.push_back(all[all.size() * i / kFunctions]);
    return chosen;
}

std::vector<uint32_t> ClassCodes(const std::string& classFile) {
    std::vector<uint32_t> codes;
    std::ifstream file(classFile);
    for (std::string line; std::getline(file, line);) {
        unsigned value = 0, mask = 0;
        if (line[0] != '#' && std::sscanf(line.c_str(), "%x %x", &value, &mask) == 2 && mask)
            codes.push_back(value);
    }
    return codes;
}

// An lspci -xxx dump: 256 bytes per function, header type 0, no capabilities.
std::string Dump(const PciDeviceTable& table) {
    std::string text;
    char line[128];
    for (int i = 0; i < table.count; ++i) {
        const PciDeviceEntry& e = table.rows[i];
        uint8_t config[256] = {};
        uint32_t dword0 =
            static_cast<uint32_t>(e.deviceId) << 16 | static_cast<uint32_t>(e.vendorId);
        uint32_t dword8 = static_cast<uint32_t>(e.classCode) << 8 | 1;
        for (int b = 0; b < 4; ++b) {
            config[b] = static_cast<uint8_t>(dword0 >> (8 * b));
            config[8 + b] = static_cast<uint8_t>(dword8 >> (8 * b));
        }
        text += e.Address().ToString() + " Device\n";
        for (int row = 0; row < 256; row += 16) {
            std::snprintf(line, sizeof line, "%02x:", row);
            text += line;
            for (int b = 0; b < 16; ++b) {
                std::snprintf(line, sizeof line, " %02x", config[row + b]);
                text += line;
            }
            text += "\n";
        }
        text += "\n";
    }
    return text;
}

// The builtin workstation as `lspci -xxxx` prints it: every function's
// whole configuration space, 16 bytes a line.
std::string WorkstationDump() {
    MachineLoad load = MachineFileLoader::Load("builtin");
    if (!load.Ok()) return {};
    std::string text;
    char line[32];
    for (const PciFunction& function : load.machine->Functions()) {
        text += function.Address().ToString() + " Device\n";
        const std::vector<uint8_t>& config = function.Config();
        for (size_t offset = 0; offset < config.size(); offset += 16) {
            std::snprintf(line, sizeof line, "%03zx:", offset);
            text += line;
            for (size_t i = offset; i < offset + 16; ++i) {
                std::snprintf(line, sizeof line, " %02x", config[i]);
                text += line;
            }
            text += "\n";
        }
        text += "\n";
    }
    return text;
}

// The all-devices report of a dump's functions through the CLI, which reads
// each function's space with one request, beside lspci printing the same
// dump whole. TARVOLENT_BENCH_REPORT_DUMP names another dump to measure.
bool CompareReport(const BenchScratch& scratch) {
    const char* given = std::getenv("TARVOLENT_BENCH_REPORT_DUMP");
    std::string dumpPath = given && *given ? given : scratch.File("workstation.lspci");
    if (!given || !*given) std::ofstream(dumpPath) << WorkstationDump();
    const std::string runtime = scratch.File("runtime");
    setenv("BOREALIX_RUNTIME_DIR", runtime.c_str(), 1);
    BenchDriver driver(runtime, dumpPath);
    if (!driver.WaitUntilReady(10)) return false;
    const std::string cli = std::string(TARVOLENT_BIN_DIR) + "/tarvolent-cli";
    const std::string report = scratch.File("report.log");
    AlternatingRounds rounds("report --all vs lspci -xxxx -F", kRounds);
    const bool ran = rounds.Run(
        [&] {
            return RunPeerProgram({cli, "report", "--all", "-o", report});
        },
        [&] {
            return RunPeerProgram({"lspci", "-xxxx", "-F", dumpPath});
        });
    if (!ran) return false;
    std::printf("report of %s, %ju bytes\n", dumpPath.c_str(),
                static_cast<uintmax_t>(std::filesystem::file_size(report)));
    rounds.Print("tarvolent-cli report --all", "lspci -xxxx -F DUMP");
    return true;
}

}  // namespace

int main() {
    std::filesystem::current_path(TARVOLENT_BIN_DIR);
    std::vector<Identity> identities = SpreadIdentities("PciId.txt");
    std::vector<uint32_t> classes = ClassCodes("pcidevcl.txt");
    if (identities.size() != kFunctions || classes.empty()) {
        std::fprintf(stderr, "bench_pci: PciId.txt or pcidevcl.txt in %s is missing or short\n",
                     TARVOLENT_BIN_DIR);
        return 1;
    }
    auto table = std::make_unique<PciDeviceTable>();
    table->rows.resize(kFunctions);
    for (int i = 0; i < kFunctions; ++i) {
        table->rows[i] = {i / 32,
                          i % 32,
                          0,
                          static_cast<int32_t>(identities[i].device),
                          static_cast<int32_t>(identities[i].vendor),
                          static_cast<int32_t>(classes[i % classes.size()]),
                          PCI_KIND_PCI};
    }
    table->count = kFunctions;

    BenchScratch scratch("tarvolent-bench-pci");
    if (!scratch.Ok()) return 2;
    const std::string dumpPath = scratch.File("functions.lspci");
    std::ofstream(dumpPath) << Dump(*table);

    size_t lineCount = 0;
    AlternatingRounds rounds("device-list lines vs lspci -nn -F", kRounds);
    const bool ran = rounds.Run(
        [&] {
            ForgetPciIdIndex();
            ForgetPciClassIndex();
            lineCount = BuildDeviceListLines(*table, kDeviceFilterBoth).lines.size();
            return lineCount == kFunctions;
        },
        [&] {
            return RunPeerProgram({"lspci", "-nn", "-F", dumpPath});
        });
    if (!ran) {
        std::fprintf(stderr, "bench_pci: lspci -nn -F did not run\n");
        return 1;
    }
    std::printf("%zu functions, PciId.txt of %ju bytes\n", lineCount,
                static_cast<uintmax_t>(std::filesystem::file_size("PciId.txt")));
    rounds.Print("device-list lines (indexes built each round)", "lspci -nn -F DUMP");
    if (!CompareReport(scratch)) {
        std::fprintf(stderr, "bench_pci: the report or lspci -xxxx -F did not run\n");
        return 1;
    }
    return 0;
}
