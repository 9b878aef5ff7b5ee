// SPDX-License-Identifier: MIT
#pragma once

#include <csignal>

// SIGINT and SIGTERM ask a long-running command to stop at its next wait
// rather than end it mid-line, so it finishes cleanly and exits 0. The
// previous handlers come back when the object goes. One at a time.
class StopSignals {
  public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // Waits up to `milliseconds`; true at once when a stop was asked for,
    // before or during the wait.
    bool Wait(int milliseconds);

  private:
    struct sigaction previousInterrupt_ {};
    struct sigaction previousTerminate_ {};
};
