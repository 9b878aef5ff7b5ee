#pragma once

#include <unistd.h>

#include "driver/DriverSocket.h"
#include "driver/FrameServer.h"
#include "driver/IdleStop.h"
#include "driver/PeerCheck.h"

// Accepts clients one at a time on the driver socket, refuses peers that may
// not use the driver, and serves one request on each of the others until a
// stop frame arrives or, with an IdleStop, the driver has been idle long
// enough.
class DriverServer {
  public:
    DriverServer(DriverSocket& socket, FrameServer& frames, IdleStop* idle = nullptr)
        : socket_(socket),
          frames_(frames),
          idle_(idle),
          admission_{geteuid(), socket.AdmittedGroup()} {}

    void Run();

  private:
    DriverSocket& socket_;
    FrameServer& frames_;
    IdleStop* idle_;
    PeerAdmission admission_;
};
