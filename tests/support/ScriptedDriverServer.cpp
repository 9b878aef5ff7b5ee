// SPDX-License-Identifier: MIT
#include "support/ScriptedDriverServer.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/route/UnixSocket.h"
#include "protocol/ErrorCodes.h"

ScriptedDriverServer::ScriptedDriverServer(const std::string& socketPath, Reply reply, int turnAway)
    : path_(socketPath), reply_(std::move(reply)), turnAway_(turnAway) {
    unlink(path_.c_str());
    listenFd_ = unix_socket::Listen(path_);
    EXPECT_GE(listenFd_, 0) << "cannot listen at " << path_;
    thread_ = std::thread([this] { Serve(); });
}

ScriptedDriverServer::~ScriptedDriverServer() {
    thread_.join();
    if (listenFd_ >= 0) close(listenFd_);
    unlink(path_.c_str());
}

void ScriptedDriverServer::Send(int fd, const void* data, size_t size) {
    unix_socket::SendAll(fd, data, size);
}

int ScriptedDriverServer::NextClient() const {
    pollfd ready{listenFd_, POLLIN, 0};
    if (poll(&ready, 1, 10000) != 1) return -1;  // the client never came
    return accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
}

void ScriptedDriverServer::Serve() {
    if (listenFd_ < 0) return;
    for (int turned = 0; turned < turnAway_; ++turned) {
        int fd = NextClient();
        if (fd < 0) return;
        wire::ReplyHeader busy{wire::kReplyMagic, ERROR_BUSY, 0, 0};
        Send(fd, &busy, sizeof(busy));
        close(fd);
    }
    int fd = NextClient();
    if (fd < 0) return;
    unix_socket::SetTimeouts(fd, 10);
    Request& request = request_;
    if (unix_socket::ReceiveAll(fd, &request.header, sizeof(request.header))) {
        request.in.resize(request.header.inSize);
        request.data.resize(request.header.dataSize);
        unix_socket::ReceiveAll(fd, request.in.data(), request.in.size());
        if (request.header.code < 0x100) {
            request.vxdRecord.resize(request.header.outSize);
            unix_socket::ReceiveAll(fd, request.vxdRecord.data(), request.vxdRecord.size());
        }
        unix_socket::ReceiveAll(fd, request.data.data(), request.data.size());
        reply_(fd, request);
    }
    close(fd);
}
