#pragma once

#include <sys/types.h>

#include <string>

// A private folder under the temporary directory for a benchmark's data. The
// files named through File(), and the folder, are removed when the object
// goes, and also when the benchmark is interrupted (SIGINT, SIGTERM, SIGHUP),
// which then stops the processes handed to StopOnInterrupt first.
class BenchScratch {
  public:
    explicit BenchScratch(const std::string& name);
    ~BenchScratch();
    BenchScratch(const BenchScratch&) = delete;
    BenchScratch& operator=(const BenchScratch&) = delete;

    bool Ok() const { return !path_.empty(); }
    const std::string& Path() const { return path_; }
    // The path of a file in the folder, removed with it.
    std::string File(const std::string& name);
    void StopOnInterrupt(pid_t child);

  private:
    std::string path_;
};
