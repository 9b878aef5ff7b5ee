// SPDX-License-Identifier: MIT
#pragma once

#include <cstdio>

// Output held back until it is complete, in an anonymous file in memory
// rather than a buffer that grows by copying: a report of every function of
// a large machine runs to tens of megabytes.
class HeldOutput {
  public:
    HeldOutput();
    ~HeldOutput();
    HeldOutput(const HeldOutput&) = delete;
    HeldOutput& operator=(const HeldOutput&) = delete;

    // Where to write; null when no such file could be made.
    std::FILE* Stream() const { return stream_; }
    // Everything written is held; false when a write failed.
    bool Complete();
    // The bytes held, after what `out` has had; false when they could not
    // all be written.
    bool CopyTo(std::FILE* out);

  private:
    std::FILE* stream_ = nullptr;
};
