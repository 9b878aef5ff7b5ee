// SPDX-License-Identifier: MIT
#include "memory/hexedit/PatternStream.h"

#include <algorithm>

PatternStream::PatternStream(const std::vector<uint8_t>& pattern, bool exact)
    : scan_(pattern, exact) {}

void PatternStream::Feed(const uint8_t* bytes, uint64_t count, const MatchSink& onMatch) {
    if (scan_.Length() == 0) return;
    FeedStraddling(bytes, count, onMatch);
    for (uint64_t p = 0; (p = scan_.Next(bytes, count, p)) != PatternScan::kNone; ++p)
        onMatch(fed_ + p);
    KeepTail(bytes, count);
    fed_ += count;
}

// Matches that begin in the kept tail and end in the new bytes: none can lie
// wholly in the tail, which is shorter than the pattern.
void PatternStream::FeedStraddling(const uint8_t* bytes, uint64_t count, const MatchSink& onMatch) {
    if (tail_.empty()) return;
    std::vector<uint8_t> joined(tail_);
    joined.insert(joined.end(), bytes, bytes + std::min<uint64_t>(count, scan_.Length() - 1));
    const uint64_t tailStart = fed_ - tail_.size();
    for (uint64_t p = 0; (p = scan_.Next(joined.data(), joined.size(), p)) < tail_.size(); ++p)
        onMatch(tailStart + p);
}

void PatternStream::KeepTail(const uint8_t* bytes, uint64_t count) {
    const uint64_t keep = scan_.Length() - 1;
    if (count >= keep) {
        tail_.assign(bytes + count - keep, bytes + count);
        return;
    }
    tail_.insert(tail_.end(), bytes, bytes + count);
    if (tail_.size() > keep) tail_.erase(tail_.begin(), tail_.end() - static_cast<long>(keep));
}
