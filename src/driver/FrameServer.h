// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

#include "driver/DeadlineStream.h"
#include "driver/FileDescriptor.h"
#include "driver/RequestHandler.h"
#include "driver/SharedBufferMapping.h"

// Serves one request frame per connection, as the program sends them: the
// frame is read, answered, and the caller closes the connection. The whole
// frame must arrive within kFrameDeadline, and the reply must be taken within
// the same time again. The bytes a request carried or read are cleared once
// it is answered. One FrameServer serves one connection at a time.
class FrameServer {
  public:
    enum class Outcome { Served, Stop };

    static constexpr std::chrono::seconds kFrameDeadline{2};

    explicit FrameServer(RequestHandler& handler) : handler_(handler) {}

    // fd is a freshly accepted, non-blocking connection. A stop frame from
    // a peer that may not stop the driver is refused (ERROR_ACCESS_DENIED).
    Outcome ServeConnection(int fd, bool mayStop = true);
    // Answers a connection that is not served now (ERROR_BUSY), reading
    // nothing; the caller closes it.
    static void TurnAway(int fd);

  private:
    // The request's buffers as they arrived.
    struct Frame {
        uint32_t code = 0;
        uint32_t inSize = 0;
        uint32_t outSize = 0;
        uint32_t dataSize = 0;
        uint32_t readLength = 0;  // memory bytes read for the reply
        uint8_t in[4096];
        uint8_t out[4096];
        // A shared memory frame's memfd, or a file frame's file, and where
        // its data lies in it.
        bool shared = false;
        bool file = false;
        FileDescriptor passed;
        uint64_t sharedOffset = 0;
    };

    Outcome Serve(int fd, bool mayStop, Frame& frame);
    void Forget(Frame& frame);
    // Every byte of a frame is read here and nowhere else. ERROR_SUCCESS, or
    // the status to answer with; false in *answer when not even a header came.
    uint32_t ReadFrame(DeadlineStream& stream, Frame* frame, bool* answer);
    uint32_t Handle(int fd, Frame& frame, uint32_t* readLength);
    // A file frame: the read goes into the client's file, once it passed.
    uint32_t HandleIntoFile(int fd, Frame& frame, const DriverCall& call);
    static void Reply(DeadlineStream& stream, uint32_t status, const uint8_t* out = nullptr,
                      uint32_t outSize = 0, const uint8_t* data = nullptr, uint32_t dataSize = 0);

    RequestHandler& handler_;
    std::vector<uint8_t> data_;  // memory bytes of the request or its reply
    SharedBufferMapping shared_;
};
