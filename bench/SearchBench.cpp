// SPDX-License-Identifier: MIT
// FindNext over a 1 GiB dump with the pattern at its end, exact and ignoring
// case, beside grep counting the same pattern in the same data file; then
// tarvolent-cli find over 1 MiB and 4 MiB of zeros, one match per byte: one
// pass, so the second costs about four times the first.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "AlternatingRounds.h"
#include "BenchDriver.h"
#include "BenchScratch.h"
#include "PeerProgram.h"
#include "RandomDataFile.h"
#include "memory/hexedit/HexEditModel.h"

namespace {

constexpr uint32_t kDumpBytes = 0x40000000;
constexpr int kRounds = 7;
constexpr const char* kPattern = "TarVolent-Needle-4711";
constexpr const char* kFoldedPattern = "tARvOLENT-nEEDLE-4711";

std::vector<uint8_t> Bytes(const char* text) {
    return std::vector<uint8_t>(text, text + std::strlen(text));
}

// The caret back on the first byte, as Ctrl+Home puts it.
void CaretHome(HexEditModel& hex) {
    for (int press = 0; press < 2 && hex.Caret() != 0; ++press)
        hex.KeyDown(HexKey::Home, false, true);
}

bool Compare(HexEditModel& hex, const std::string& dataPath, const std::string& label,
             const char* pattern, bool exact, const std::vector<std::string>& grep) {
    const std::vector<uint8_t> bytes = Bytes(pattern);
    const uint32_t expected = kDumpBytes - static_cast<uint32_t>(bytes.size());
    AlternatingRounds rounds(label, kRounds);
    std::string peerOutput;
    std::vector<std::string> peerArguments = grep;
    peerArguments.push_back(pattern);
    peerArguments.push_back(dataPath);
    const bool ran = rounds.Run(
        [&] {
            CaretHome(hex);
            return hex.Caret() == 0 && hex.FindNext(bytes, exact) && hex.Caret() == expected;
        },
        [&] { return RunPeerProgram(peerArguments, &peerOutput) && peerOutput == "1\n"; });
    if (!ran) {
        std::fprintf(stderr, "bench_search: %s failed (grep printed \"%s\")\n", label.c_str(),
                     peerOutput.c_str());
        return false;
    }
    std::string peerName;
    for (const std::string& argument : grep) peerName += argument + " ";
    rounds.Print(exact ? "FindNext" : "FindNext ignoring case", peerName + "PATTERN FILE");
    return true;
}

// Milliseconds of one run of tarvolent-cli find over `size` bytes of zeros,
// after checking once that it prints every address; negative on failure.
double CliFindZeros(const char* size, size_t matches) {
    const std::string cli = std::string(TARVOLENT_BIN_DIR) + "/tarvolent-cli";
    std::string output;
    char last[16];
    std::snprintf(last, sizeof last, "%08zX\n", matches - 1);
    if (!RunPeerProgram({cli, "find", "0", size, "--hex", "00"}, &output) ||
        output.size() != 9 * matches || output.compare(output.size() - 9, 9, last) != 0)
        return -1;
    std::vector<double> runs;
    for (int run = 0; run < 5; ++run) {
        const auto start = std::chrono::steady_clock::now();
        if (!RunPeerProgram({cli, "find", "0", size, "--hex", "00"})) return -1;
        runs.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    return AlternatingRounds::Median(runs);
}

bool CompareCliFind(const BenchScratch& scratch) {
    const std::string runtime = scratch.File("runtime");
    const std::string machine = scratch.File("zeros.json");
    std::ofstream(machine)
        << R"({"name": "zeros", "memory": [{"base": "0x0", "size": "0x400000", "fill": "0x00"}]})";
    // The CLI finds this driver running, as it would find its own.
    setenv("BOREALIX_RUNTIME_DIR", runtime.c_str(), 1);
    BenchDriver driver(runtime, machine);
    if (!driver.WaitUntilReady(10)) return false;
    const double one = CliFindZeros("100000", 0x100000);
    const double four = CliFindZeros("400000", 0x400000);
    if (one < 0 || four < 0) {
        std::fprintf(stderr, "bench_search: tarvolent-cli find failed\n");
        return false;
    }
    std::printf("tarvolent-cli find --hex 00, one match per byte, median of 5 runs:\n");
    std::printf("  1 MiB of zeros %10.2f ms\n  4 MiB of zeros %10.2f ms (%.1f times as long)\n",
                one, four, four / one);
    return true;
}

}  // namespace

int main() {
    BenchScratch scratch("tarvolent-bench-search");
    if (!scratch.Ok()) return 2;
    const std::string base = scratch.File("Memory1");
    const std::string dataPath = base + ".tmp";
    if (!WriteRandomDataFile(dataPath, kDumpBytes, kPattern)) {
        std::fprintf(stderr, "bench_search: cannot write %s\n", dataPath.c_str());
        return 2;
    }
    HexEditModel hex;
    hex.SetBytesPerLine(16);
    hex.SetColumns(true, true, true, true);
    hex.SetCellSize(10, 20);
    hex.SetClientSize(800, 400);
    if (hex.AttachDump(kDumpBytes, 0, base) != 0) {
        std::fprintf(stderr, "bench_search: %s\n", hex.LastError().c_str());
        return 2;
    }
    hex.LayoutIfPending();
    std::printf("1 GiB dump, pattern in its last bytes; page cache warm after the first round\n");
    const bool exact = Compare(hex, dataPath, "FindNext exact vs grep -F", kPattern, true,
                               {"grep", "-c", "-a", "-F"});
    setenv("LC_ALL", "C", 1);
    const bool folded = Compare(hex, dataPath, "FindNext ignoring case vs grep -i -F",
                                kFoldedPattern, false, {"grep", "-c", "-a", "-i", "-F"});
    const bool find = CompareCliFind(scratch);
    return exact && folded && find ? 0 : 1;
}
