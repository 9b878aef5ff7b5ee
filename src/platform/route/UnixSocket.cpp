// SPDX-License-Identifier: MIT
#include "platform/route/UnixSocket.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace unix_socket {

bool FillAddress(const std::string& path, sockaddr_un* address) {
    *address = {};
    address->sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof(address->sun_path)) {
        errno = ENAMETOOLONG;
        return false;
    }
    std::memcpy(address->sun_path, path.c_str(), path.size() + 1);
    return true;
}

namespace {

void SetSendTimeout(int fd, std::chrono::microseconds timeout) {
    timeval limit{static_cast<time_t>(timeout.count() / 1000000),
                  static_cast<suseconds_t>(timeout.count() % 1000000)};
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof(limit));
}

}  // namespace

int Connect(const std::string& path, std::chrono::milliseconds timeout) {
    sockaddr_un address;
    if (!FillAddress(path, &address)) return -1;
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    // A connection waits while the server's queue of connections is full;
    // the send timeout bounds that wait.
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    int result = -1;
    for (;;) {
        auto left = std::chrono::ceil<std::chrono::microseconds>(deadline -
                                                                 std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            errno = ETIMEDOUT;
            break;
        }
        SetSendTimeout(fd, left);
        result = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address));
        if (result == 0 || errno != EINTR) break;
    }
    if (result != 0) {
        int saved = errno == EAGAIN ? ETIMEDOUT : errno;
        close(fd);
        errno = saved;
        return -1;
    }
    SetSendTimeout(fd, std::chrono::microseconds(0));
    return fd;
}

bool Answers(const std::string& path) {
    int fd = Connect(path);
    if (fd < 0) return false;
    close(fd);
    return true;
}

int Listen(const std::string& path) {
    sockaddr_un address;
    if (!FillAddress(path, &address)) return -1;
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return -1;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        listen(fd, 8) != 0) {
        int saved = errno;
        close(fd);
        errno = saved;
        return -1;
    }
    return fd;
}

bool SendAll(int fd, const void* data, size_t size) {
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t sent = send(fd, bytes, size, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) return false;
        bytes += sent;
        size -= static_cast<size_t>(sent);
    }
    return true;
}

bool SendAllWithDescriptor(int fd, const void* data, size_t size, int passed) {
    if (size == 0) return false;
    iovec part{const_cast<void*>(data), size};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    msghdr message{};
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof(control);
    cmsghdr* header = CMSG_FIRSTHDR(&message);
    header->cmsg_level = SOL_SOCKET;
    header->cmsg_type = SCM_RIGHTS;
    header->cmsg_len = CMSG_LEN(sizeof(int));
    std::memcpy(CMSG_DATA(header), &passed, sizeof(int));
    ssize_t sent;
    do {
        sent = sendmsg(fd, &message, MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR);
    if (sent <= 0) return false;
    return SendAll(fd, static_cast<const char*>(data) + sent, size - static_cast<size_t>(sent));
}

bool ReceiveAll(int fd, void* data, size_t size) {
    char* bytes = static_cast<char*>(data);
    while (size > 0) {
        ssize_t received = recv(fd, bytes, size, 0);
        if (received < 0 && errno == EINTR) continue;
        if (received <= 0) {
            if (received == 0) errno = ECONNRESET;
            return false;
        }
        bytes += received;
        size -= static_cast<size_t>(received);
    }
    return true;
}

void SetTimeouts(int fd, int seconds) {
    timeval timeout{seconds, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof(timeout));
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof(timeout));
}

}  // namespace unix_socket
