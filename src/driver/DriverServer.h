// SPDX-License-Identifier: MIT
#pragma once

#include <unistd.h>

#include "driver/ConnectionPool.h"
#include "driver/DriverSocket.h"
#include "driver/IdleStop.h"
#include "driver/PeerCheck.h"
#include "driver/RequestHandler.h"

// Accepts clients on the driver socket as fast as they come, refuses peers
// that may not use the driver, turns away those of a user who has as many
// connections served as allowed, and serves one request on each of the
// others, concurrently, until a stop frame from an owner arrives or, with an
// IdleStop, the driver has been idle long enough.
class DriverServer {
  public:
    DriverServer(DriverSocket& socket, RequestHandler& handler, IdleStop* idle = nullptr,
                 ConnectionPool::Limits limits = {})
        : socket_(socket),
          handler_(handler),
          idle_(idle),
          limits_(limits),
          admission_{geteuid(), socket.AdmittedGroup()} {}

    // Returns with the socket no longer listening and every connection done.
    void Run();

  private:
    // Takes every connection waiting on the socket.
    void AcceptAll(ConnectionPool& pool);
    // True when the driver has been idle long enough to stop.
    bool IdleLongEnough(ConnectionPool& pool);

    DriverSocket& socket_;
    RequestHandler& handler_;
    IdleStop* idle_;
    ConnectionPool::Limits limits_;
    PeerAdmission admission_;
};
