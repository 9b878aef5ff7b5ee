// SPDX-License-Identifier: MIT
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/route/UnixSocket.h"
#include "platform/trust/RuntimeDirectory.h"
#include "protocol/DeviceWire.h"

// When the service manager under test starts this test program with
// TARVOLENT_FAKE_DAEMON=NAME in its environment, it behaves as a minimal
// driver before any test runs: binds RuntimeDirectory()/NAME, detaches and
// serves stop frames. With NAME "fail" it reports an error and exits 3.
namespace {

constexpr int kIdleExitMs = 30000;  // never outlives a broken test for long

void DetachFromCaller() {
    if (fork() != 0) _exit(0);
    setsid();
    int null = open("/dev/null", O_RDWR);
    dup2(null, 0);
    dup2(null, 1);
    dup2(null, 2);
    if (null > 2) close(null);
}

[[noreturn]] void ServeUntilStopped(int listenFd, const std::string& path) {
    for (;;) {
        pollfd ready{listenFd, POLLIN, 0};
        if (poll(&ready, 1, kIdleExitMs) != 1) break;
        int fd = accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        unix_socket::SetTimeouts(fd, 2);
        wire::RequestHeader header{};
        bool stop = unix_socket::ReceiveAll(fd, &header, sizeof(header)) &&
                    header.magic == wire::kRequestMagic &&
                    header.code == wire::kStopControlCode;
        if (stop) {
            wire::ReplyHeader reply{wire::kReplyMagic, 0, 0, 0};
            unix_socket::SendAll(fd, &reply, sizeof(reply));
        }
        close(fd);
        if (stop) break;
    }
    unlink(path.c_str());
    _exit(0);
}

[[noreturn]] void RunFakeDaemon(const std::string& name) {
    if (name == "fail") {
        std::fprintf(stderr, "fake daemon: refusing to start\n");
        _exit(3);
    }
    std::string path = RuntimeDirectory() + "/" + name;
    unlink(path.c_str());
    int listenFd = unix_socket::Listen(path);
    if (listenFd < 0) _exit(4);
    DetachFromCaller();
    ServeUntilStopped(listenFd, path);
}

const bool kStartedAsDaemon = [] {
    if (const char* name = std::getenv("TARVOLENT_FAKE_DAEMON")) RunFakeDaemon(name);
    return false;
}();

}  // namespace
