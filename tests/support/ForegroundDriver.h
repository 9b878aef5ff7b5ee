// SPDX-License-Identifier: MIT
#pragma once

#include <memory>
#include <string>

#include "protocol/DriverNames.h"
#include "support/AppProcess.h"

// The built driver program run attached (--foreground) in this process's
// runtime directory, on a machine file, "builtin", or, with an empty
// machine, this machine's hardware. Stopped on destruction: a stop frame,
// SIGTERM if that goes unanswered, and the process is waited for.
class ForegroundDriver {
  public:
    static std::string Program();

    explicit ForegroundDriver(const std::string& machine,
                              const std::string& socketName = kDriverName);
    ~ForegroundDriver();
    ForegroundDriver(const ForegroundDriver&) = delete;
    ForegroundDriver& operator=(const ForegroundDriver&) = delete;

    // True once the socket answers; false when the driver exited instead.
    bool Ready() const { return ready_; }
    std::string SocketPath() const;
    AppProcess& Process() { return *process_; }
    // The exit status after a clean stop, else nullopt.
    std::optional<int> Stop();

  private:
    std::string socketName_;
    std::unique_ptr<AppProcess> process_;
    bool ready_ = false;
};
