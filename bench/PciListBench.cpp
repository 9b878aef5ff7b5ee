// Device-list lines for 256 functions, built as the PCI window builds them
// (one pass over pcidevcl.txt and one over PciId.txt per function), beside
// lspci naming the same functions from a dump of them.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "pci/DeviceListLine.h"

extern char** environ;

namespace {

constexpr int kFunctions = 256;
constexpr int kRounds = 15;

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
        std::snprintf(line, sizeof line, "%02x:%02x.%d Device\n", e.bus, e.device, e.function);
        text += line;
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

double Milliseconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

template <class Work>
double TimeOnce(const Work& work) {
    auto start = std::chrono::steady_clock::now();
    work();
    return Milliseconds(std::chrono::steady_clock::now() - start);
}

double CpuMilliseconds(const rusage& usage) {
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

double OwnCpuMilliseconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return CpuMilliseconds(usage);
}

// Runs a program with its output discarded; `cpu` gets its processor time.
bool RunQuietly(const std::vector<std::string>& arguments, double* cpu = nullptr) {
    std::vector<char*> argv;
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    int failed = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    rusage usage{};
    if (failed || wait4(pid, &status, 0, &usage) != pid) return false;
    if (cpu) *cpu = CpuMilliseconds(usage);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
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

    std::string directory = (std::filesystem::temp_directory_path() / "bench-pci-XXXXXX").string();
    if (!mkdtemp(directory.data())) return 1;
    std::string dumpPath = directory + "/functions.lspci";
    std::ofstream(dumpPath) << Dump(*table);

    // Rounds alternate between the two so that both meet the same load; the
    // best round of each counts.
    size_t lineCount = 0;
    bool peerRan = RunQuietly({"lspci", "-nn", "-F", dumpPath});
    double ours = 1e300, peer = 1e300, oursCpu = 1e300, peerCpu = 1e300;
    for (int round = 0; round < kRounds; ++round) {
        double cpuBefore = OwnCpuMilliseconds();
        ours = std::min(ours, TimeOnce([&] {
                            lineCount =
                                BuildDeviceListLines(*table, kDeviceFilterBoth).lines.size();
                        }));
        oursCpu = std::min(oursCpu, OwnCpuMilliseconds() - cpuBefore);
        double cpu = 0;
        if (peerRan) {
            peer = std::min(peer, TimeOnce([&] {
                                RunQuietly({"lspci", "-nn", "-F", dumpPath}, &cpu);
                            }));
            peerCpu = std::min(peerCpu, cpu);
        }
    }
    std::filesystem::remove_all(directory);

    std::printf(
        "device-list lines, %zu functions (PciId.txt %ju bytes): %7.2f ms wall, %7.2f ms cpu\n",
        lineCount, static_cast<uintmax_t>(std::filesystem::file_size("PciId.txt")), ours, oursCpu);
    if (!peerRan) {
        std::printf("lspci -nn -F: not available\n");
        return 0;
    }
    std::printf("lspci -nn -F on the same %d functions:             %7.2f ms wall, %7.2f ms cpu\n",
                kFunctions, peer, peerCpu);
    std::printf("best of %d alternating rounds; ratio ours / lspci: %.2f wall, %.2f cpu\n", kRounds,
                ours / peer, oursCpu / peerCpu);
    return 0;
}
