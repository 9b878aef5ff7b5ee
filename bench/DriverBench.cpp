// Configuration-dword round trips and 4 MiB memory reads through the driver
// program on the builtin machine, beside the same frames through a bare
// local-socket echo server: the transport's own limit. Both are reached by
// the program's own request operations (one connection per request).
#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "hw/DriverChannel.h"
#include "hw/DriverRequest.h"
#include "platform/DeviceWire.h"
#include "platform/Polling.h"
#include "platform/UnixSocket.h"

namespace {

constexpr int kConfigReads = 5000;
constexpr int kMemoryReads = 16;
constexpr int kRounds = 5;

std::string MakeDirectory(const char* name) {
    std::string pattern = std::filesystem::temp_directory_path().string() + "/" + name + "-XXXXXX";
    return mkdtemp(pattern.data()) ? pattern : "";
}

// Answers every frame with a reply of the driver's sizes and no work done.
[[noreturn]] void RunEchoServer(int listening) {
    std::vector<uint8_t> body(wire::kMaxBufferSize + wire::kMaxDataSize);
    for (;;) {
        int fd = accept(listening, nullptr, nullptr);
        if (fd < 0) continue;
        wire::RequestHeader header{};
        while (unix_socket::ReceiveAll(fd, &header, sizeof(header))) {
            if (header.code == wire::kStopControlCode) _exit(0);
            uint32_t in = header.inSize + header.dataSize;
            if (in > body.size() || !unix_socket::ReceiveAll(fd, body.data(), in)) break;
            uint32_t data = 0;
            if (wire::UserTransferOf(header.code) == wire::UserTransfer::FromDriver) {
                std::memcpy(&data, body.data() + wire::kTransferLengthOffset, sizeof(data));
            }
            wire::ReplyHeader reply{wire::kReplyMagic, 0, header.outSize, data};
            if (!unix_socket::SendAll(fd, &reply, sizeof(reply)) ||
                !unix_socket::SendAll(fd, body.data(), header.outSize) ||
                !unix_socket::SendAll(fd, body.data(), data)) {
                break;
            }
        }
        close(fd);
    }
}

pid_t StartEchoServer(const std::string& directory) {
    int listening = unix_socket::Listen(directory + "/Borealix");
    if (listening < 0) return -1;
    pid_t child = fork();
    if (child == 0) {
        fcntl(listening, F_SETFL, 0);  // the echo server blocks in accept
        RunEchoServer(listening);
    }
    close(listening);
    return child;
}

pid_t StartDriver(const std::string& program, const std::string& directory) {
    pid_t child = fork();
    if (child == 0) {
        setenv("BOREALIX_RUNTIME_DIR", directory.c_str(), 1);
        setenv("BOREALIX_MACHINE", "builtin", 1);
        execl(program.c_str(), program.c_str(), "--foreground", static_cast<char*>(nullptr));
        _exit(127);
    }
    return child;
}

void Stop(pid_t child, const std::string& directory) {
    int fd = unix_socket::Connect(directory + "/Borealix");
    if (fd >= 0) {
        wire::RequestHeader stop{wire::kRequestMagic, wire::kStopControlCode, 0, 0, 0};
        unix_socket::SendAll(fd, &stop, sizeof(stop));
        wire::ReplyHeader reply{};
        unix_socket::SetTimeouts(fd, 2);
        unix_socket::ReceiveAll(fd, &reply, sizeof(reply));
        close(fd);
    }
    if (!WaitUntil([&] { return waitpid(child, nullptr, WNOHANG) == child; }, 5000)) {
        kill(child, SIGTERM);
        waitpid(child, nullptr, 0);
    }
}

double SecondsFor(const std::function<bool()>& run) {
    auto start = std::chrono::steady_clock::now();
    if (!run()) return -1;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

struct Figures {
    double configPerSecond = 0;
    double memoryMiBPerSecond = 0;
};

Figures Best(const Figures& a, const Figures& b) {
    return {std::max(a.configPerSecond, b.configPerSecond),
            std::max(a.memoryMiBPerSecond, b.memoryMiBPerSecond)};
}

// Measures whichever server listens in BOREALIX_RUNTIME_DIR now.
Figures Measure() {
    Figures figures;
    double config = SecondsFor([] {
        uint32_t value = 0;
        for (int i = 0; i < kConfigReads; ++i) {
            if (!ReadPciConfigDword(0x80000000u | (i & 0x3F) << 2, &value)) return false;
        }
        return true;
    });
    std::vector<uint8_t> buffer(kMaxTransferLength);
    double memory = SecondsFor([&] {
        for (int i = 0; i < kMemoryReads; ++i) {
            if (!ReadPhysicalMemory(0x100000, buffer.data(), kMaxTransferLength)) return false;
        }
        return true;
    });
    if (config > 0) figures.configPerSecond = kConfigReads / config;
    if (memory > 0) figures.memoryMiBPerSecond = kMemoryReads * 4.0 / memory;
    return figures;
}

}  // namespace

int main() {
    std::string program = std::string(TARVOLENT_BIN_DIR) + "/BOREX64.SYS";
    std::string driverDir = MakeDirectory("tarvolent-bench-driver");
    std::string echoDir = MakeDirectory("tarvolent-bench-echo");
    if (driverDir.empty() || echoDir.empty()) return 2;

    pid_t driver = StartDriver(program, driverDir);
    pid_t echo = StartEchoServer(echoDir);
    if (echo < 0 ||
        !WaitUntil([&] { return unix_socket::Answers(driverDir + "/Borealix"); }, 10000)) {
        std::fprintf(stderr, "driver did not start: %s\n", program.c_str());
        return 1;
    }
    // Rounds taken in turn, best of each kept: the machine is shared, and
    // whatever else runs should not favour either side.
    Figures ours, peer;
    for (int round = 0; round < kRounds; ++round) {
        setenv("BOREALIX_RUNTIME_DIR", driverDir.c_str(), 1);
        ours = Best(ours, Measure());
        setenv("BOREALIX_RUNTIME_DIR", echoDir.c_str(), 1);
        peer = Best(peer, Measure());
    }
    Stop(driver, driverDir);
    Stop(echo, echoDir);

    std::filesystem::remove_all(driverDir);
    std::filesystem::remove_all(echoDir);
    std::printf("%-34s %14s %14s %8s\n", "", "BOREX64.SYS", "socket echo", "ratio");
    std::printf("%-34s %14.0f %14.0f %8.2f\n", "config dword round trips / s", ours.configPerSecond,
                peer.configPerSecond, ours.configPerSecond / peer.configPerSecond);
    std::printf("%-34s %14.0f %14.0f %8.2f\n", "4 MiB memory reads, MiB / s",
                ours.memoryMiBPerSecond, peer.memoryMiBPerSecond,
                ours.memoryMiBPerSecond / peer.memoryMiBPerSecond);
    return ours.configPerSecond > 0 && peer.configPerSecond > 0 ? 0 : 1;
}
