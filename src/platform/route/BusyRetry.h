// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>

// The pauses of a client that a driver turned away because it serves as
// many of this user's connections as it allows: short at first, growing,
// and none that would end past the time given.
class BusyRetry {
  public:
    using Clock = std::chrono::steady_clock;

    explicit BusyRetry(Clock::time_point giveUp) : giveUp_(giveUp) {}

    // Sleeps before the next try; false, without sleeping, when the pause
    // would end past the time.
    bool Pause();

  private:
    Clock::time_point giveUp_;
    std::chrono::milliseconds pause_{10};
};
