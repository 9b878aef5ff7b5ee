#pragma once

#include <cstdint>
#include <vector>

#include "driver/RequestHandler.h"

// Reads request frames from a client connection and answers each one. A bad
// frame fails alone: it gets an error reply while the stream can still be
// read in step, else the connection is closed.
class FrameServer {
  public:
    enum class Outcome { Continue, Close, Stop };

    explicit FrameServer(RequestHandler& handler) : handler_(handler) {}

    // Serves frames until the client is done or a frame breaks the stream.
    // True when a stop frame arrived.
    bool ServeConnection(int fd);
    Outcome ServeFrame(int fd);

  private:
    static void Reply(int fd, uint32_t status, const uint8_t* out = nullptr, uint32_t outSize = 0,
                      const uint8_t* data = nullptr, uint32_t dataSize = 0);

    RequestHandler& handler_;
    std::vector<uint8_t> data_;  // memory bytes of the request or its reply
};
