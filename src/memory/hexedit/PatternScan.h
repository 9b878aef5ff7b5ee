// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <vector>

// Finds a byte pattern in a buffer: a vector filter on the pattern's first
// and last bytes (both cases of a letter when case is folded) picks the
// candidate positions, and only those are compared in full. The result is
// exactly that of comparing at every position in turn.
class PatternScan {
  public:
    static constexpr uint64_t kNone = ~uint64_t{0};

    // exact false: letters compare without regard to ASCII case, every other
    // byte must be equal. The pattern is copied.
    PatternScan(const std::vector<uint8_t>& pattern, bool exact);

    // The first position p >= from with p + length <= count at which the
    // pattern lies, or kNone. An empty pattern lies at `from` (when from <=
    // count).
    uint64_t Next(const uint8_t* bytes, uint64_t count, uint64_t from = 0) const;

    uint64_t Length() const { return pattern_.size(); }

    // Each kernel on its own, so tests can hold them against one another.
    enum class Kernel { Portable, Sse2, Avx2 };
    static bool Supported(Kernel kernel);
    uint64_t NextWith(Kernel kernel, const uint8_t* bytes, uint64_t count, uint64_t from) const;

  private:
    // True when the whole pattern lies at bytes.
    bool MatchesAt(const uint8_t* bytes) const;
    uint64_t NextPortable(const uint8_t* bytes, uint64_t count, uint64_t from) const;
    uint64_t NextSse2(const uint8_t* bytes, uint64_t count, uint64_t from) const;
    uint64_t NextAvx2(const uint8_t* bytes, uint64_t count, uint64_t from) const;
    // Verifies the candidates of one block (bit i: position at + i), in order.
    uint64_t FirstVerified(const uint8_t* bytes, uint64_t at, uint64_t candidates) const;

    std::vector<uint8_t> pattern_;
    bool exact_;
    // Both cases of the first and the last byte; equal where case plays no part.
    uint8_t first_[2];
    uint8_t last_[2];
};
