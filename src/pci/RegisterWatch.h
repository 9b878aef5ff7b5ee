// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>
#include <vector>

// Watching one function's dwords across reads: a dword is changed while it
// differs from what it was when watching began or the shown function last
// changed, so it stays marked until it takes its old value again. A dword
// that was refused differs from every value read.
class RegisterWatch {
  public:
    enum class Outcome { Started, Same, Changed };

    bool Active() const { return active_; }
    // The next read observed is what later reads are compared with.
    void Start();
    void Stop();

    // A read of `function` (any key that tells functions apart). Another
    // function than the last, or the first read after Start, starts afresh.
    Outcome Observe(uint64_t function, std::span<const uint32_t> dwords,
                    std::span<const uint8_t> readable);
    bool IsChanged(size_t dword) const;

    // A function that is no longer there: nothing read, nothing could be
    // read, or every dword read as all ones.
    static bool Gone(std::span<const uint32_t> dwords, std::span<const uint8_t> readable);

  private:
    bool active_ = false;
    bool started_ = false;
    uint64_t function_ = 0;
    std::vector<uint32_t> baseline_;
    std::vector<uint8_t> baselineReadable_;
    std::vector<uint8_t> changed_;
};
