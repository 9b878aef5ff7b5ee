#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "platform/FileLock.h"

// When a driver on a simulated machine stops by itself: once `period` has
// passed without a connection and without a running program that uses it.
// Programs hold a shared lock on the socket's ".clients" file while they
// run (the service manager takes it), so a window left open keeps its
// driver, however long it sits idle.
class IdleStop {
  public:
    using Clock = std::chrono::steady_clock;

    static constexpr std::chrono::seconds kDefaultPeriod{600};

    // The period for this driver: none on real hardware (no machine),
    // $BOREALIX_IDLE_SECONDS when set, else kDefaultPeriod. False with a
    // message when the variable is not a positive number of seconds.
    static bool PeriodFor(const char* machine, const char* idleSeconds,
                          std::optional<std::chrono::seconds>* period, std::string* error);

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
