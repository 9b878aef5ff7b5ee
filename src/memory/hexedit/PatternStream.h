// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "memory/hexedit/PatternScan.h"

// Every match of a pattern in a range that arrives piece by piece, in order
// of their offsets, overlapping matches and those that straddle two pieces
// included. Only the last (length - 1) bytes are kept between pieces, so a
// range of any size costs one pass.
class PatternStream {
  public:
    using MatchSink = std::function<void(uint64_t offset)>;

    // The pattern must not be empty: it would match at every offset.
    PatternStream(const std::vector<uint8_t>& pattern, bool exact);

    // Offsets count from the first byte ever fed.
    void Feed(const uint8_t* bytes, uint64_t count, const MatchSink& onMatch);

  private:
    void FeedStraddling(const uint8_t* bytes, uint64_t count, const MatchSink& onMatch);
    void KeepTail(const uint8_t* bytes, uint64_t count);

    PatternScan scan_;
    std::vector<uint8_t> tail_;  // the last bytes fed, at most length - 1
    uint64_t fed_ = 0;
};
