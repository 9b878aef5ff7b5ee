// SPDX-License-Identifier: MIT
#pragma once

#include <string>

// The listening socket a service manager hands to the process it starts:
// LISTEN_PID names this process and LISTEN_FDS counts the sockets, the
// first being descriptor 3.
namespace inherited_socket {

enum class Outcome { None, Taken, Unusable };

// None when nothing was handed to this process (no variables, or they name
// another process); Taken with the descriptor, made close-on-exec and
// non-blocking; Unusable with a message when the variables are ours but
// descriptor 3 is not one listening local stream socket. The variables are
// removed in every case, so nothing this process starts takes them for its
// own.
Outcome Take(int* fd, std::string* error);

}  // namespace inherited_socket
