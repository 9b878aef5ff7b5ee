// Decoding configuration spaces: the builtin workstation's functions, 256 of
// them in all, each decoded and every field of every dword written out as
// the window's field pane shows it, beside lspci decoding a dump of the same
// functions in full (-vvv; -n, since we look up no names either).
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "AlternatingRounds.h"
#include "BenchScratch.h"
#include "PeerProgram.h"
#include "pcidef/ConfigDecoder.h"
#include "pcidef/DwordDescription.h"
#include "sim/MachineFileLoader.h"

namespace {

constexpr int kFunctions = 256;
constexpr int kRounds = 21;

struct Function {
    int bus;
    int device;
    std::vector<uint8_t> config;
};

// An lspci -xxxx dump: every byte the function has, offsets in three digits.
std::string Dump(const std::vector<Function>& functions) {
    std::string text;
    char line[64];
    for (const Function& f : functions) {
        std::snprintf(line, sizeof line, "%02x:%02x.0 Device\n", f.bus, f.device);
        text += line;
        for (size_t row = 0; row < f.config.size(); row += 16) {
            std::snprintf(line, sizeof line, "%03zx:", row);
            text += line;
            for (size_t b = 0; b < 16; ++b) {
                std::snprintf(line, sizeof line, " %02x", f.config[row + b]);
                text += line;
            }
            text += "\n";
        }
        text += "\n";
    }
    return text;
}

// Decodes every function and writes out the line of every field.
size_t DecodeAll(const std::vector<Function>& functions, std::string& out) {
    out.clear();
    size_t fields = 0;
    for (const Function& f : functions) {
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
double DecodeMicroseconds(const std::vector<Function>& functions) {
    std::vector<double> rounds;
    size_t registers = 0;
    for (int round = 0; round < kRounds; ++round) {
        const auto start = std::chrono::steady_clock::now();
        for (const Function& f : functions)
            registers += pcidef::Decode(f.config).Registers().size();
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

}  // namespace

int main() {
    MachineLoad load = MachineFileLoader::Load("builtin");
    if (!load.Ok()) {
        std::fprintf(stderr, "bench_decode: %s\n", load.error.c_str());
        return 1;
    }
    std::vector<Function> functions;
    const auto& machine = load.machine->Functions();
    for (int i = 0; i < kFunctions; ++i)
        functions.push_back({i / 32, i % 32, machine[i % machine.size()].Config()});

    BenchScratch scratch("tarvolent-bench-decode");
    if (!scratch.Ok()) return 2;
    const std::string dumpPath = scratch.File("functions.lspci");
    std::ofstream(dumpPath) << Dump(functions);

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
    std::printf("%d functions (the builtin workstation's %zu over and over), %zu field lines\n",
                kFunctions, machine.size(), fields);
    std::printf("decoding alone: %.1f us per function\n", DecodeMicroseconds(functions));
    rounds.Print("decode and field lines", "lspci -n -vvv -F DUMP");
    return 0;
}
