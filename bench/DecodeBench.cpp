// SPDX-License-Identifier: MIT
// The structured configuration space on a machine of 256 functions (the
// builtin workstation's over and over), saved as an lspci -xxxx dump:
// tarvolent-cli decode --all against lspci -vvv -F of the dump, and
// tarvolent-cli report --all against lspci -xxxx -F, each command a process
// of its own on a driver already running, in alternating rounds; and the
// decoder alone in this process, microseconds per function.
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "AlternatingRounds.h"
#include "BenchDriver.h"
#include "BenchScratch.h"
#include "PeerProgram.h"
#include "pcidef/ConfigDecoder.h"
#include "sim/LspciDumpWriter.h"
#include "sim/MachineFileLoader.h"

namespace {

constexpr int kFunctions = 256;
constexpr int kRounds = 7;
constexpr int kDecoderRounds = 21;

std::vector<PciFunction> ManyFunctions(const std::vector<PciFunction>& machine) {
    std::vector<PciFunction> functions;
    for (int i = 0; i < kFunctions; ++i) {
        const PciFunction& model = machine[i % machine.size()];
        const FunctionAddress address{static_cast<uint8_t>(i / 32), static_cast<uint8_t>(i % 32),
                                      0};
        functions.emplace_back(address, model.Config(), PciFunction::DefaultMask(model.Size()));
    }
    return functions;
}

// Decoding alone: microseconds per function.
double DecodeMicroseconds(const std::vector<PciFunction>& functions) {
    std::vector<double> rounds;
    size_t registers = 0;
    for (int round = 0; round < kDecoderRounds; ++round) {
        const auto start = std::chrono::steady_clock::now();
        for (const PciFunction& f : functions)
            registers += pcidef::Decode(f.Config()).Registers().size();
        rounds.push_back(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return registers ? AlternatingRounds::Median(rounds) * 1e6 / functions.size() : 0;
}

// lspci says on stderr that it finds no kernel modules, once a run.
class QuietStderr {
  public:
    QuietStderr() : saved_(dup(2)) {
        int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (null >= 0) {
            dup2(null, 2);
            close(null);
        }
    }
    ~QuietStderr() {
        dup2(saved_, 2);
        close(saved_);
    }

  private:
    int saved_;
};

// One comparison: our command and the peer's, both printing something.
struct Command {
    std::string name;
    std::vector<std::string> arguments;
};

bool Compare(const std::string& label, const Command& ours, const Command& peer) {
    AlternatingRounds rounds(label, kRounds);
    bool ran = false;
    {
        QuietStderr quiet;
        // Each side's output lands in memory it had already, so that taking
        // megabytes of it costs this process little while the other runs.
        std::string ourOut, peerOut;
        ran = rounds.Run(
            [&] { return RunPeerProgram(ours.arguments, &ourOut) && !ourOut.empty(); },
            [&] { return RunPeerProgram(peer.arguments, &peerOut) && !peerOut.empty(); });
    }
    if (!ran) {
        std::fprintf(stderr, "bench_decode: %s did not run\n", label.c_str());
        return false;
    }
    rounds.Print(ours.name, peer.name);
    return true;
}

}  // namespace

int main() {
    MachineLoad load = MachineFileLoader::Load("builtin");
    if (!load.Ok()) {
        std::fprintf(stderr, "bench_decode: %s\n", load.error.c_str());
        return 1;
    }
    const std::vector<PciFunction> functions = ManyFunctions(load.machine->Functions());
    BenchScratch scratch("tarvolent-bench-decode");
    if (!scratch.Ok()) return 2;
    const std::string dump = scratch.File("functions.lspci");
    std::ofstream(dump) << LspciDumpText(functions);

    // The CLI finds this driver running on the dump, as it would find its own.
    const std::string runtime = scratch.File("runtime");
    setenv("BOREALIX_RUNTIME_DIR", runtime.c_str(), 1);
    BenchDriver driver(runtime, dump);
    if (!driver.WaitUntilReady(60)) {
        std::fprintf(stderr, "bench_decode: the driver did not start\n");
        return 1;
    }
    const std::string cli = std::string(TARVOLENT_BIN_DIR) + "/tarvolent-cli";
    std::printf("%d functions (the builtin workstation's %zu over and over)\n", kFunctions,
                load.machine->Functions().size());
    std::printf("decoding alone: %.1f us per function\n", DecodeMicroseconds(functions));
    std::fflush(stdout);
    const bool decoded =
        Compare("decode --all vs lspci -vvv -F",
                {"tarvolent-cli decode --all", {cli, "decode", "--all"}},
                {"lspci -vvv -F DUMP", {"lspci", "-vvv", "-F", dump}});
    const bool reported =
        decoded &&
        Compare("report --all vs lspci -xxxx -F",
                {"tarvolent-cli report --all", {cli, "report", "--all"}},
                {"lspci -xxxx -F DUMP", {"lspci", "-xxxx", "-F", dump}});
    return reported ? 0 : 1;
}
