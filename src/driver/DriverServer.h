#pragma once

#include "driver/DriverSocket.h"
#include "driver/FrameServer.h"

// Accepts clients one at a time on the driver socket, refuses peers that may
// not use the driver, and serves one request on each of the others until a
// stop frame arrives.
class DriverServer {
  public:
    DriverServer(DriverSocket& socket, FrameServer& frames) : socket_(socket), frames_(frames) {}

    void Run();

  private:
    DriverSocket& socket_;
    FrameServer& frames_;
};
