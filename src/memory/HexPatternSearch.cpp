#include "memory/HexPatternSearch.h"

#include <algorithm>
#include <cstring>

#include "memory/HexDataFile.h"
#include "memory/PatternScan.h"
#include "memory/WorkProgress.h"

bool HexPatternSearch::Matches(const uint8_t* bytes, const std::vector<uint8_t>& pattern,
                               bool exact) {
    return PatternScan(pattern, exact).MatchesAt(bytes);
}

std::optional<uint64_t> HexPatternSearch::FindInBuffer(const uint8_t* bytes, uint64_t count,
                                                       const std::vector<uint8_t>& pattern,
                                                       bool exact) {
    const uint64_t p = PatternScan(pattern, exact).Next(bytes, count);
    if (p == PatternScan::kNone) return std::nullopt;
    return p;
}

std::optional<uint64_t> HexPatternSearch::Find(HexDataFile& data, uint64_t size, uint64_t start,
                                               const std::vector<uint8_t>& pattern, bool exact,
                                               WorkProgress* progress) {
    const uint64_t length = pattern.size();
    // A window must be longer than the pattern, or the overlap would stall.
    const uint64_t window = std::max(kWindowBytes, 2 * length);
    std::vector<uint8_t> buffer;
    for (uint64_t s = start; s + length <= size; s += window - length) {
        if (!KeepGoing(progress, s - start, size - start)) return std::nullopt;
        const uint64_t count = std::min(window, size - s);
        buffer.resize(count);
        const uint64_t got = data.Read(buffer.data(), s, count);
        // Bytes the file lacks read as 0xFF, as the window shows them.
        std::memset(buffer.data() + got, 0xFF, count - got);
        if (const auto p = FindInBuffer(buffer.data(), count, pattern, exact)) return s + *p;
        if (s + count >= size) break;
    }
    return std::nullopt;
}
