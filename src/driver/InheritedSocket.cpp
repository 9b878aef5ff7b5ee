// SPDX-License-Identifier: MIT
#include "driver/InheritedSocket.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>

namespace inherited_socket {

namespace {

constexpr int kFirstDescriptor = 3;

std::string Variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

bool SocketOption(int fd, int option, int expected) {
    int value = 0;
    socklen_t size = sizeof(value);
    return getsockopt(fd, SOL_SOCKET, option, &value, &size) == 0 && value == expected;
}

}  // namespace

Outcome Take(int* fd, std::string* error) {
    const std::string pid = Variable("LISTEN_PID");
    const std::string count = Variable("LISTEN_FDS");
    unsetenv("LISTEN_PID");
    unsetenv("LISTEN_FDS");
    unsetenv("LISTEN_FDNAMES");
    if (pid.empty() || pid != std::to_string(getpid())) return Outcome::None;
    if (count != "1") {
        *error = "LISTEN_FDS: \"" + count + "\": one socket was expected";
        return Outcome::Unusable;
    }
    if (!SocketOption(kFirstDescriptor, SO_DOMAIN, AF_UNIX) ||
        !SocketOption(kFirstDescriptor, SO_TYPE, SOCK_STREAM) ||
        !SocketOption(kFirstDescriptor, SO_ACCEPTCONN, 1)) {
        *error = "descriptor 3 from LISTEN_FDS is not a listening local stream socket";
        return Outcome::Unusable;
    }
    int flags = fcntl(kFirstDescriptor, F_GETFL);
    if (flags < 0 || fcntl(kFirstDescriptor, F_SETFL, flags | O_NONBLOCK) != 0 ||
        fcntl(kFirstDescriptor, F_SETFD, FD_CLOEXEC) != 0) {
        *error = "descriptor 3 from LISTEN_FDS cannot be set up";
        return Outcome::Unusable;
    }
    *fd = kFirstDescriptor;
    return Outcome::Taken;
}

}  // namespace inherited_socket
