#pragma once

#include "driver/DriverSocket.h"
#include "driver/FrameServer.h"

// Accepts clients one at a time on the driver socket, refuses peers that may
// not use the driver, and serves the rest until a stop frame arrives.
class DriverServer {
  public:
    // A client that stalls longer than this is dropped.
    static constexpr int kClientTimeoutSeconds = 5;

    DriverServer(DriverSocket& socket, FrameServer& frames) : socket_(socket), frames_(frames) {}

    void Run();

  private:
    DriverSocket& socket_;
    FrameServer& frames_;
};
