// SPDX-License-Identifier: MIT
#include "support/HeldConnections.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "platform/route/UnixSocket.h"

namespace {

constexpr auto kLongestHold = std::chrono::seconds(60);
// Between rounds of reopening, so the hostile side does not spin.
constexpr int kRoundMs = 20;

// A non-blocking connect: a full queue leaves the place empty, not waiting.
int ConnectNow(const std::string& path) {
    sockaddr_un address;
    if (!unix_socket::FillAddress(path, &address)) return -1;
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
        close(fd);
        fd = -1;
    }
    return fd;
}

}  // namespace

HeldConnections::HeldConnections(std::string socketPath, int count, bool reopen)
    : path_(std::move(socketPath)), reopen_(reopen), fds_(count, -1) {
    thread_ = std::thread([this] { Hold(); });
}

HeldConnections::~HeldConnections() {
    stop_ = true;
    thread_.join();
    for (int fd : fds_)
        if (fd >= 0) close(fd);
}

void HeldConnections::OpenMissing(std::vector<int>& fds) const {
    for (int& fd : fds)
        if (fd < 0) fd = ConnectNow(path_);
}

void HeldConnections::Hold() {
    OpenMissing(fds_);
    tried_ = true;
    const auto end = std::chrono::steady_clock::now() + kLongestHold;
    while (!stop_ && std::chrono::steady_clock::now() < end) {
        std::vector<pollfd> watched;
        for (int fd : fds_) watched.push_back({fd, POLLIN, 0});
        poll(watched.data(), watched.size(), kRoundMs);
        for (size_t i = 0; i < fds_.size(); ++i) {
            // Anything from the driver, a reply or a hang-up, ends that one.
            if (fds_[i] >= 0 && watched[i].revents) {
                close(fds_[i]);
                fds_[i] = -1;
            }
        }
        if (reopen_) OpenMissing(fds_);
    }
}
