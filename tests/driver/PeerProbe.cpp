#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/UnixSocket.h"

// When a test runs this test program again with TARVOLENT_PEER_PROBE=PATH
// (as another user, through setpriv), it connects to the socket at PATH
// before any test runs and prints what it met: "refused" when it could not
// connect, else the one byte the server answered ('y' or 'n'), or "closed".
namespace {

[[noreturn]] void Probe(const char* path) {
    int fd = unix_socket::Connect(path);
    if (fd < 0) {
        std::puts("refused");
        std::exit(0);
    }
    unix_socket::SetTimeouts(fd, 10);
    char answer = 0;
    std::puts(unix_socket::ReceiveAll(fd, &answer, 1) ? std::string(1, answer).c_str() : "closed");
    std::exit(0);
}

const bool kProbing = [] {
    if (const char* path = std::getenv("TARVOLENT_PEER_PROBE")) Probe(path);
    return false;
}();

}  // namespace
