// SPDX-License-Identifier: MIT
#include "memory/hexedit/HexPatternSearch.h"

#include <algorithm>
#include <cstring>

#include "memory/hexedit/HexDataFile.h"
#include "memory/hexedit/PatternScan.h"
#include "memory/hexedit/WorkProgress.h"

std::optional<uint64_t> HexPatternSearch::Find(HexDataFile& data, uint64_t size, uint64_t start,
                                               const std::vector<uint8_t>& pattern, bool exact,
                                               WorkProgress* progress) {
    const PatternScan scan(pattern, exact);
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
        const uint64_t p = scan.Next(buffer.data(), count);
        if (p != PatternScan::kNone) return s + p;
        if (s + count >= size) break;
    }
    return std::nullopt;
}
