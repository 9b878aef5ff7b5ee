// SPDX-License-Identifier: MIT
#pragma once

#include <sys/un.h>

#include <chrono>
#include <cstddef>
#include <string>

// Small helpers over local stream sockets. Every descriptor is close-on-exec
// so a spawned driver never inherits one. Failures leave errno set.
namespace unix_socket {

// The address of the socket file at path; false (ENAMETOOLONG) when the
// path is empty or does not fit.
bool FillAddress(const std::string& path, sockaddr_un* address);
// How long a connection waits for a server whose queue is full.
inline constexpr std::chrono::milliseconds kConnectTimeout{5000};

// Connected (blocking) descriptor, or -1; errno ETIMEDOUT when the server
// did not take the connection within `timeout`.
int Connect(const std::string& path, std::chrono::milliseconds timeout = kConnectTimeout);
// True when something listens at path.
bool Answers(const std::string& path);
// Non-blocking listening descriptor bound at path, or -1.
int Listen(const std::string& path);
bool SendAll(int fd, const void* data, size_t size);
// As SendAll, with `passed` (a descriptor of this process) going along with
// the first byte.
bool SendAllWithDescriptor(int fd, const void* data, size_t size, int passed);
// False on a short read: EOF, timeout or error.
bool ReceiveAll(int fd, void* data, size_t size);
void SetTimeouts(int fd, int seconds);

}  // namespace unix_socket
