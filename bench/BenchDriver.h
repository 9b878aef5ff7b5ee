// SPDX-License-Identifier: MIT
#pragma once

#include <sys/types.h>

#include <string>

// The built driver program run attached in a runtime directory of the
// benchmark's own (made here), on a machine file or "builtin", which this
// process selects as well; stopped with SIGTERM when the object goes, and
// also by an interruption.
class BenchDriver {
  public:
    BenchDriver(const std::string& runtimeDirectory, const std::string& machine);
    ~BenchDriver();
    BenchDriver(const BenchDriver&) = delete;
    BenchDriver& operator=(const BenchDriver&) = delete;

    // Waits until the socket answers (a large machine file takes a while to
    // load); false when the driver ended first or the benchmark was stopped.
    bool WaitUntilReady(int timeoutSeconds);
    const std::string& RuntimeDirectory() const { return directory_; }

  private:
    std::string directory_;
    pid_t child_ = -1;
};
