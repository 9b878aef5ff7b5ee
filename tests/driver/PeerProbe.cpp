// SPDX-License-Identifier: MIT
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/route/UnixSocket.h"
#include "protocol/DeviceWire.h"

// When a test runs this test program again with TARVOLENT_PEER_PROBE=PATH
// (as another user, through setpriv), it connects to the socket at PATH
// before any test runs and prints what it met: "refused" when it could not
// connect, else the one byte the server answered ('y' or 'n'), or "closed".
// With TARVOLENT_PEER_STOP=PATH it sends a driver there a stop frame and
// prints the status of the reply instead.
namespace {

[[noreturn]] void Probe(const char* path, bool stop) {
    int fd = unix_socket::Connect(path);
    if (fd < 0) {
        std::puts("refused");
        std::exit(0);
    }
    unix_socket::SetTimeouts(fd, 10);
    if (stop) {
        wire::RequestHeader frame{wire::kRequestMagic, wire::kStopControlCode, 0, 0, 0};
        wire::ReplyHeader reply{};
        bool answered = unix_socket::SendAll(fd, &frame, sizeof(frame)) &&
                        unix_socket::ReceiveAll(fd, &reply, sizeof(reply));
        std::puts(answered ? std::to_string(reply.status).c_str() : "closed");
        std::exit(0);
    }
    char answer = 0;
    std::puts(unix_socket::ReceiveAll(fd, &answer, 1) ? std::string(1, answer).c_str() : "closed");
    std::exit(0);
}

const bool kProbing = [] {
    if (const char* path = std::getenv("TARVOLENT_PEER_PROBE")) Probe(path, false);
    if (const char* path = std::getenv("TARVOLENT_PEER_STOP")) Probe(path, true);
    return false;
}();

}  // namespace
