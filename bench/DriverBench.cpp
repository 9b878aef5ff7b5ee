// SPDX-License-Identifier: MIT
// Configuration-dword round trips and 4 MiB memory reads through the driver
// program on the builtin machine, beside the same frames through a bare
// local-socket echo server: the transport's own limit. Both are reached by
// the program's own request operations (one connection per request). The
// reads go once into an ordinary buffer (through the socket, as the echo
// server takes them) and once into a buffer shared with the driver.
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "AlternatingRounds.h"
#include "BenchDriver.h"
#include "BenchScratch.h"
#include "hw/DriverChannel.h"
#include "platform/route/SharedTransferBuffer.h"
#include "platform/route/UnixSocket.h"
#include "protocol/DeviceWire.h"
#include "protocol/DriverRequest.h"

namespace {

constexpr int kConfigReads = 5000;
constexpr int kMemoryReads = 64;
constexpr int kRounds = 7;

// Answers every frame with a reply of the driver's sizes and no work done.
[[noreturn]] void RunEchoServer(int listening) {
    std::vector<uint8_t> body(wire::kMaxBufferSize + kMaxTransferLength);
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

// The echo server, stopped as the driver is.
class EchoServer {
  public:
    explicit EchoServer(const std::string& directory) {
        const int listening = unix_socket::Listen(directory + "/Borealix");
        if (listening < 0) return;
        child_ = fork();
        if (child_ == 0) {
            // Not the benchmark's handlers: a SIGTERM ends the echo server.
            for (int signal : {SIGINT, SIGTERM, SIGHUP}) std::signal(signal, SIG_DFL);
            fcntl(listening, F_SETFL, 0);  // the echo server blocks in accept
            RunEchoServer(listening);
        }
        close(listening);
        if (child_ > 0) BenchScratch::StopOnInterrupt(child_);
    }
    ~EchoServer() {
        if (child_ > 0) BenchScratch::Stop(child_);
    }
    bool Started() const { return child_ > 0; }

  private:
    pid_t child_ = -1;
};

bool ReadConfigDwords() {
    uint32_t value = 0;
    for (int i = 0; i < kConfigReads; ++i)
        if (!ReadPciConfigDword(0x80000000u | (i & 0x3F) << 2, &value)) return false;
    return true;
}

bool ReadMemory(uint8_t* buffer) {
    for (int i = 0; i < kMemoryReads; ++i)
        if (!ReadPhysicalMemory(0x100000, buffer, kMaxTransferLength)) return false;
    return true;
}

// Runs `work` with the requests going to the server in `directory`.
AlternatingRounds::Work At(const std::string& directory, bool (*work)(uint8_t*), uint8_t* buffer) {
    return [=] {
        setenv("BOREALIX_RUNTIME_DIR", directory.c_str(), 1);
        return work(buffer);
    };
}

}  // namespace

int main() {
    BenchScratch scratch("tarvolent-bench-driver");
    if (!scratch.Ok()) return 2;
    const std::string driverDir = scratch.File("driver");
    const std::string echoDir = scratch.File("echo");
    if (mkdir(echoDir.c_str(), 0700) != 0) return 2;
    BenchDriver driver(driverDir, "builtin");
    EchoServer echo(echoDir);
    if (!echo.Started() || !driver.WaitUntilReady(10)) {
        std::fprintf(stderr, "bench_driver: the driver or the echo server did not start\n");
        return 1;
    }
    std::vector<uint8_t> plain(kMaxTransferLength);
    SharedTransferBuffer shared(kMaxTransferLength);
    auto config = [](uint8_t*) { return ReadConfigDwords(); };

    AlternatingRounds configRounds("config dword round trips vs socket echo", kRounds);
    AlternatingRounds plainRounds("4 MiB reads through the socket vs socket echo", kRounds);
    AlternatingRounds sharedRounds("4 MiB reads into a shared buffer vs socket echo", kRounds);
    const bool ran =
        configRounds.Run(At(driverDir, config, nullptr), At(echoDir, config, nullptr)) &&
        plainRounds.Run(At(driverDir, ReadMemory, plain.data()),
                        At(echoDir, ReadMemory, plain.data())) &&
        sharedRounds.Run(At(driverDir, ReadMemory, shared.Data()),
                         At(echoDir, ReadMemory, plain.data()));
    if (!ran) {
        std::fprintf(stderr, "bench_driver: a request failed\n");
        return 1;
    }
    configRounds.Print(std::to_string(kConfigReads) + " reads, BOREX64.SYS", "socket echo");
    plainRounds.Print(std::to_string(kMemoryReads) + " reads, BOREX64.SYS", "socket echo");
    sharedRounds.Print(std::to_string(kMemoryReads) + " reads, BOREX64.SYS, shared memfd",
                       "socket echo, through the socket");
    return 0;
}
