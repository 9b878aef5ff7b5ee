// SPDX-License-Identifier: MIT
#include "driver/DeadlineStream.h"

#include <poll.h>
#include <sys/socket.h>

#include <unistd.h>

#include <cerrno>
#include <cstring>

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

template <class Step>
bool DeadlineStream::Transfer(short events, size_t size, Step step) {
    size_t done = 0;
    while (done < size) {
        const ssize_t moved = step(done);
        if (moved > 0) {
            done += static_cast<size_t>(moved);
        } else if (moved == 0) {
            errno = ECONNRESET;
            return false;
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            if (!WaitFor(events)) return false;
        } else if (errno != EINTR) {
            return false;
        }
    }
    return true;
}

bool DeadlineStream::Receive(void* data, size_t size) {
    char* bytes = static_cast<char*>(data);
    return Transfer(POLLIN, size,
                    [&](size_t done) { return recv(fd_, bytes + done, size - done, 0); });
}

bool DeadlineStream::Send(const void* data, size_t size) {
    const char* bytes = static_cast<const char*>(data);
    return Transfer(POLLOUT, size, [&](size_t done) {
        return send(fd_, bytes + done, size - done, MSG_NOSIGNAL);
    });
}

namespace {

// Keeps the first descriptor of the message, closes every other one; false
// when there was another, or the kernel had to drop some.
bool TakeDescriptors(msghdr& message, int* passed) {
    bool single = (message.msg_flags & MSG_CTRUNC) == 0;
    for (cmsghdr* header = CMSG_FIRSTHDR(&message); header;
         header = CMSG_NXTHDR(&message, header)) {
        if (header->cmsg_level != SOL_SOCKET || header->cmsg_type != SCM_RIGHTS) continue;
        const size_t count = (header->cmsg_len - CMSG_LEN(0)) / sizeof(int);
        for (size_t i = 0; i < count; ++i) {
            int fd = -1;
            std::memcpy(&fd, CMSG_DATA(header) + i * sizeof(int), sizeof(int));
            if (*passed < 0) {
                *passed = fd;
            } else {
                close(fd);
                single = false;
            }
        }
    }
    return single;
}

}  // namespace

bool DeadlineStream::ReceiveWithDescriptor(void* data, size_t size, int* passed, bool* several) {
    *passed = -1;
    char* bytes = static_cast<char*>(data);
    bool single = true;
    const bool whole = Transfer(POLLIN, size, [&](size_t done) {
        // Room for a few, so that a client sending more is seen doing so.
        alignas(cmsghdr) char control[CMSG_SPACE(4 * sizeof(int))];
        iovec part{bytes + done, size - done};
        msghdr message{};
        message.msg_iov = &part;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof(control);
        const ssize_t received = recvmsg(fd_, &message, MSG_CMSG_CLOEXEC);
        if (received > 0) single = TakeDescriptors(message, passed) && single;
        return received;
    });
    *several = !single;
    if (!whole || !single) {
        if (*passed >= 0) close(*passed);
        *passed = -1;
    }
    return whole;
}
