// SPDX-License-Identifier: MIT
// Decoding configuration spaces: the builtin workstation's functions, 256 of
// them in all, each decoded and every field of every dword written out as
// the window's field pane shows it, beside lspci decoding a dump of the same
// functions in full (-vvv; -n, since we look up no names either).
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "AlternatingRounds.h"
#include "BenchFunctions.h"
#include "BenchScratch.h"
#include "PeerProgram.h"
#include "pcidef/ConfigDecoder.h"
#include "pcidef/DwordDescription.h"

namespace {

constexpr int kFunctions = 256;
constexpr int kRounds = 21;

// Decodes every function and writes out the line of every field.
size_t DecodeAll(const std::vector<BenchFunction>& functions, std::string& out) {
    out.clear();
    size_t fields = 0;
    for (const BenchFunction& f : functions) {
        pcidef::DecodedFunction decoded = pcidef::Decode(f.config);
        for (uint32_t offset = 0; offset < decoded.Size(); offset += 4) {
            for (const pcidef::FieldLine& line : pcidef::DwordFieldLines(decoded, offset)) {
                out += pcidef::FormatFieldLine(line);
                out += '\n';
                ++fields;
            }
        }
    }
    return fields;
}

// Decoding alone, without writing anything out: microseconds per function.
double DecodeMicroseconds(const std::vector<BenchFunction>& functions) {
    std::vector<double> rounds;
    size_t registers = 0;
    for (int round = 0; round < kRounds; ++round) {
        const auto start = std::chrono::steady_clock::now();
        for (const BenchFunction& f : functions)
            registers += pcidef::Decode(f.config).Registers().size();
        rounds.push_back(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return registers ? AlternatingRounds::Median(rounds) * 1e6 / functions.size() : 0;
}

}  // namespace

int main() {
    const std::vector<BenchFunction> functions = BuiltinFunctionsOverAndOver(kFunctions);
    if (functions.empty()) return 1;

    BenchScratch scratch("tarvolent-bench-decode");
    if (!scratch.Ok()) return 2;
    const std::string dumpPath = scratch.File("functions.lspci");
    std::ofstream(dumpPath) << LspciDump(functions);

    std::string out;
    size_t fields = 0;
    AlternatingRounds rounds("decode 256 functions vs lspci -n -vvv -F", kRounds);
    bool ran = false;
    {
        QuietStderr quiet;
        ran =
            rounds.Run([&] { return (fields = DecodeAll(functions, out)) > 0; },
                       [&] {
                           std::string peerOut;
                           return RunPeerProgram({"lspci", "-n", "-vvv", "-F", dumpPath}, &peerOut);
                       });
    }
    if (!ran) {
        std::fprintf(stderr, "bench_decode: lspci -n -vvv -F did not run\n");
        return 1;
    }
    std::printf("%d functions (the builtin workstation's over and over), %zu field lines\n",
                kFunctions, fields);
    std::printf("decoding alone: %.1f us per function\n", DecodeMicroseconds(functions));
    rounds.Print("decode and field lines", "lspci -n -vvv -F DUMP");
    return 0;
}
