#include "driver/DeadlineStream.h"

#include <poll.h>
#include <sys/socket.h>

#include <cerrno>

bool DeadlineStream::WaitFor(short events) {
    for (;;) {
        auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline_ - Clock::now());
        if (left.count() <= 0) {
            errno = ETIMEDOUT;
            return false;
        }
        pollfd entry{fd_, events, 0};
        int ready = poll(&entry, 1, static_cast<int>(left.count()));
        if (ready > 0) return true;
        if (ready < 0 && errno != EINTR) return false;
    }
}

bool DeadlineStream::Receive(void* data, size_t size) {
    char* bytes = static_cast<char*>(data);
    while (size > 0) {
        ssize_t received = recv(fd_, bytes, size, 0);
        if (received > 0) {
            bytes += received;
            size -= static_cast<size_t>(received);
        } else if (received == 0) {
            errno = ECONNRESET;
            return false;
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            if (!WaitFor(POLLIN)) return false;
        } else if (errno != EINTR) {
            return false;
        }
    }
    return true;
}

bool DeadlineStream::Send(const void* data, size_t size) {
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t sent = send(fd_, bytes, size, MSG_NOSIGNAL);
        if (sent > 0) {
            bytes += sent;
            size -= static_cast<size_t>(sent);
        } else if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!WaitFor(POLLOUT)) return false;
        } else if (sent == 0 || errno != EINTR) {
            return false;
        }
    }
    return true;
}
