// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "protocol/DeviceWire.h"

// A driver socket served by a thread of the test: accepts one client, reads
// one request frame and lets the test write whatever reply it wants. The
// `turnAway` connections before it are answered busy, unread, as a driver
// serving as many of the user's connections as it allows answers them.
class ScriptedDriverServer {
  public:
    struct Request {
        wire::RequestHeader header{};
        std::vector<char> in;
        std::vector<char> vxdRecord;  // the VxD codes send their output buffer
        std::vector<char> data;
    };
    // Writes the reply on fd; the connection closes when it returns.
    using Reply = std::function<void(int fd, const Request& request)>;

    ScriptedDriverServer(const std::string& socketPath, Reply reply, int turnAway = 0);
    ~ScriptedDriverServer();

    // The request as received; valid once the client has its answer.
    const Request& Received() const { return request_; }

    static void Send(int fd, const void* data, size_t size);

  private:
    void Serve();
    // The next client's connection, or -1 when none came in time.
    int NextClient() const;

    std::string path_;
    int listenFd_ = -1;
    Reply reply_;
    int turnAway_;
    Request request_;
    std::thread thread_;
};
