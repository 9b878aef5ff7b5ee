// SPDX-License-Identifier: MIT
#pragma once

#include <sys/types.h>

#include <string>

// A private folder under the temporary directory for a benchmark's data,
// removed with everything in it when the object goes. It also moves the
// system driver's folder into it, where none runs. An interruption
// (SIGINT, SIGTERM, SIGHUP) stops the processes handed to StopOnInterrupt and
// raises Interrupted(), which the benchmark checks between steps so that it
// ends through its normal clean-up.
class BenchScratch {
  public:
    explicit BenchScratch(const std::string& name);
    ~BenchScratch();
    BenchScratch(const BenchScratch&) = delete;
    BenchScratch& operator=(const BenchScratch&) = delete;

    bool Ok() const { return !path_.empty(); }
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

    static void StopOnInterrupt(pid_t child);
    static void Forget(pid_t child);
    // Ends a child handed to StopOnInterrupt with SIGTERM and waits for it.
    static void Stop(pid_t child);
    static bool Interrupted();

  private:
    std::string path_;
};
