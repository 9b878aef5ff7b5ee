// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <string>

// An flock on a file of a folder of ours (the runtime directory, the system
// driver's folder), held until Release or destruction (or the end of the
// process, which the kernel sees to). The file is opened as
// trusted_path::OpenFile does, so a link or another user's file at its name
// is refused rather than locked.
class FileLock {
  public:
    enum class Mode { Shared, Exclusive };
    enum class Result { Locked, Busy, Refused, Failed };

    FileLock() = default;
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Creates the file if needed and waits up to `wait` for the lock (0: try
    // once). Refused notes the refusal (TrustRefusals); Failed leaves errno.
    Result Acquire(const std::string& path, Mode mode,
                   std::chrono::milliseconds wait = std::chrono::milliseconds(0));
    bool Held() const { return fd_ >= 0; }
    void Release();

  private:
    int fd_ = -1;
};
