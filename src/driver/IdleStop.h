// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <string>

#include "platform/trust/FileLock.h"

// When a driver stops by itself: once `period` has passed without a
// connection and without a running program that uses it. Programs hold a
// shared lock on the socket's ".clients" file while they run (the service
// manager takes it), so a window left open keeps its driver, however long
// it sits idle. Without such a file only the time counts.
class IdleStop {
  public:
    using Clock = std::chrono::steady_clock;

    static constexpr std::chrono::seconds kDefaultPeriod{600};

    // $BOREALIX_IDLE_SECONDS (idleSeconds) when set, else kDefaultPeriod.
    // False with a message when it is not a positive number of seconds.
    static bool PeriodFor(const char* idleSeconds, std::chrono::seconds* period,
                          std::string* error);

    // An empty clientsLockPath: no program keeps this driver.
    IdleStop(std::chrono::seconds period, std::string clientsLockPath);

    // How long to wait for a connection before looking again.
    std::chrono::milliseconds NextLook() const;
    void NoteActivity() { lastActivity_ = Clock::now(); }
    // True when it is time to stop. The lock then stays held, so a program
    // that starts now waits until this driver has gone and starts another.
    bool TimeToStop();

  private:
    std::chrono::seconds period_;
    std::string clientsLockPath_;
    Clock::time_point lastActivity_ = Clock::now();
    FileLock clients_;
};
