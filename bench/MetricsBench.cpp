// SPDX-License-Identifier: MIT
// tarvolent-cli metrics of a machine of 256 functions (the builtin
// workstation's over and over, behind a window), against its own driver,
// beside lspci -vvv reading the same functions from a dump of every byte.
// Both are whole programs run to their end, each printing all it knows.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "AlternatingRounds.h"
#include "BenchDriver.h"
#include "BenchFunctions.h"
#include "BenchScratch.h"
#include "PeerProgram.h"

namespace {

constexpr int kFunctions = 256;
constexpr int kRounds = 11;

size_t Count(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

// Every function's six header error bits, and each copy of the graphics
// link that trained below its capability (both of its ends).
bool Complete(const std::string& metrics) {
    return Count(metrics, "\ntarvolent_pci_status_error{") == 6 * kFunctions &&
           Count(metrics, "\ntarvolent_pcie_link_downgraded{") > 0;
}

}  // namespace

int main() {
    const std::vector<BenchFunction> functions = BuiltinFunctionsOverAndOver(kFunctions);
    if (functions.empty()) return 1;
    BenchScratch scratch("tarvolent-bench-metrics");
    if (!scratch.Ok()) return 2;
    const std::string dump = scratch.File("functions.lspci");
    const std::string machine = scratch.File("functions.json");
    std::ofstream(dump) << LspciDump(functions);
    std::ofstream(machine) << MachineFileOf(functions);

    // The CLI finds this driver running, as it would find its own.
    const std::string runtime = scratch.File("runtime");
    setenv("BOREALIX_RUNTIME_DIR", runtime.c_str(), 1);
    BenchDriver driver(runtime, machine);
    if (!driver.WaitUntilReady(30)) {
        std::fprintf(stderr, "bench_metrics: the driver did not start\n");
        return 1;
    }
    const std::string cli = std::string(TARVOLENT_BIN_DIR) + "/tarvolent-cli";
    std::string metrics;
    if (!RunPeerProgram({cli, "metrics"}, &metrics) || !Complete(metrics)) {
        std::fprintf(stderr, "bench_metrics: tarvolent-cli metrics did not cover every function\n");
        return 1;
    }
    AlternatingRounds rounds("metrics 256 functions vs lspci -vvv -F", kRounds);
    bool ran = false;
    {
        QuietStderr quiet;
        std::string peerOut;
        ran = rounds.Run(
            [&] {
                return RunPeerProgram({cli, "metrics"}, &metrics);
            },
            [&] {
                return RunPeerProgram({"lspci", "-vvv", "-F", dump}, &peerOut);
            });
    }
    if (!ran) {
        std::fprintf(stderr, "bench_metrics: a round failed\n");
        return 1;
    }
    std::printf("%d functions (the builtin workstation's over and over), %zu lines of metrics\n",
                kFunctions, Count(metrics, "\n"));
    rounds.Print("tarvolent-cli metrics", "lspci -vvv -F DUMP");
    return 0;
}
