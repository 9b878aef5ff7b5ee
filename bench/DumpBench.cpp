// SPDX-License-Identifier: MIT
// A 1 GiB dump into the memory window's temporary files, through the
// window's own model and the driver program on a machine whose region is a
// 1 GiB file, beside dd copying the same bytes into the same folder. First
// it prints the process's resident memory after a 1 MiB and a 2 GiB dump.
// TARVOLENT_BENCH_DUMP_MIB=N makes the region N MiB (1 to 1024) and the
// large dump twice that, for a quick run.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "AlternatingRounds.h"
#include "BenchDriver.h"
#include "BenchScratch.h"
#include "PeerProgram.h"
#include "RandomDataFile.h"
#include "memory/dump/MemoryDumpHexWindow.h"
#include "memory/dump/MemoryDumpModel.h"
#include "memory/hexedit/HexEditModel.h"

namespace {

constexpr uint64_t kMiB = 0x100000;
constexpr uint64_t kLargestRegionMiB = 1024;
constexpr const char* kRegionBase = "40000000";
constexpr int kRounds = 15;

// The region's size in MiB; 0 when the variable is not a number it allows.
uint64_t RegionMiB() {
    const char* text = std::getenv("TARVOLENT_BENCH_DUMP_MIB");
    if (!text || !*text) return kLargestRegionMiB;
    char* end = nullptr;
    const unsigned long long mib = std::strtoull(text, &end, 10);
    return *end == '\0' && mib >= 1 && mib <= kLargestRegionMiB ? mib : 0;
}

std::string Hex(uint64_t value) {
    char text[32];
    std::snprintf(text, sizeof text, "%llX", static_cast<unsigned long long>(value));
    return text;
}

std::string SizeText(uint64_t mib) {
    return mib % 1024 == 0 ? std::to_string(mib / 1024) + " GiB" : std::to_string(mib) + " MiB";
}

// "VmRSS" or "VmHWM" of this process, in KiB.
long StatusKiB(const char* field) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(field, 0) == 0)
            return std::atol(line.c_str() + std::string(field).size() + 1);
    return -1;
}

void PrintResident(const char* after) {
    std::printf("  after %-22s VmRSS %7ld KiB, VmHWM %7ld KiB\n", after, StatusKiB("VmRSS"),
                StatusKiB("VmHWM"));
}

}  // namespace

int main() {
    const uint64_t regionMiB = RegionMiB();
    if (regionMiB == 0) {
        std::fprintf(stderr, "bench_dump: TARVOLENT_BENCH_DUMP_MIB must be 1 to %llu\n",
                     static_cast<unsigned long long>(kLargestRegionMiB));
        return 2;
    }
    const uint64_t regionBytes = regionMiB * kMiB;
    const std::string regionSize = Hex(regionBytes);
    BenchScratch scratch("tarvolent-bench-dump");
    if (!scratch.Ok()) return 2;
    const std::string region = scratch.File("region.bin");
    const std::string machine = scratch.File("machine.json");
    const std::string runtime = scratch.File("runtime");
    const std::string peerOutput = scratch.File("dd.bin");
    if (!WriteRandomDataFile(region, regionBytes)) {
        std::fprintf(stderr, "bench_dump: cannot write %s\n", region.c_str());
        return 2;
    }
    std::ofstream(machine) << R"({"name": "bench", "memory": [{"base": "0x)" << kRegionBase
                           << R"(", "size": "0x)" << regionSize << R"(", "file": "region.bin"}]})";
    // The window's temporary files go where dd writes.
    setenv("TMPDIR", scratch.Path().c_str(), 1);
    setenv("BOREALIX_RUNTIME_DIR", runtime.c_str(), 1);
    BenchDriver driver(runtime, machine);
    if (!driver.WaitUntilReady(300)) {
        std::fprintf(stderr, "bench_dump: the driver did not start on %s\n", machine.c_str());
        return 1;
    }

    HexEditModel hex;
    MemoryDumpHexModel window(hex);
    MemoryDumpModel model(window, "Memory1");
    std::printf("resident memory of the window's model:\n");
    if (!model.OnDump(kRegionBase, "100000")) return 1;
    PrintResident("a 1 MiB dump:");
    // Past the region absent memory reads 0xFF: the driver still sends it.
    if (!model.OnDump(kRegionBase, Hex(2 * regionBytes - 1))) return 1;
    PrintResident(("a " + SizeText(2 * regionMiB) + " - 1 byte dump:").c_str());
    model.OnClear();

    if (!model.OnDump(kRegionBase, regionSize) ||
        !RunPeerProgram({"cmp", "-s", region, model.TempBase() + ".tmp"})) {
        std::fprintf(stderr, "bench_dump: the dump differs from %s\n", region.c_str());
        return 1;
    }
    // Each side writes 1 GiB into a fresh file on a file system with nothing
    // left to write back, so neither pays for the other's writing.
    const auto settle = [&] {
        model.OnClear();
        for (const std::string& path :
             {model.TempBase() + ".tmp", model.TempBase() + "map.tmp", peerOutput})
            unlink(path.c_str());
        const int folder = open(scratch.Path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        const bool synced = folder >= 0 && syncfs(folder) == 0;
        if (folder >= 0) close(folder);
        return synced;
    };
    const auto dd = [&] {
        return RunPeerProgram({"dd", "if=" + region, "of=" + peerOutput, "bs=4M", "status=none"});
    };
    AlternatingRounds rounds(SizeText(regionMiB) + " dump vs dd bs=4M", kRounds);
    const bool ran = rounds.Run([&] { return model.OnDump(kRegionBase, regionSize); }, dd, settle);
    if (!ran) {
        std::fprintf(stderr, "bench_dump: a round failed\n");
        return 1;
    }
    rounds.Print("OnDump into Memory1.tmp and Memory1map.tmp", "dd if=REGION of=FILE bs=4M");
    return 0;
}
