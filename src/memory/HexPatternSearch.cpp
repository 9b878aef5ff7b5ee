#include "memory/HexPatternSearch.h"

#include <algorithm>
#include <cstring>

#include "memory/HexDataFile.h"
#include "memory/WorkProgress.h"

namespace {

uint8_t FoldCase(uint8_t value) {
    return value >= 'A' && value <= 'Z' ? static_cast<uint8_t>(value + ('a' - 'A')) : value;
}

}  // namespace

bool HexPatternSearch::Matches(const uint8_t* bytes, const std::vector<uint8_t>& pattern,
                               bool exact) {
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (exact ? bytes[i] != pattern[i] : FoldCase(bytes[i]) != FoldCase(pattern[i]))
            return false;
    }
    return true;
}

std::optional<uint64_t> HexPatternSearch::FindInBuffer(const uint8_t* bytes, uint64_t count,
                                                       const std::vector<uint8_t>& pattern,
                                                       bool exact) {
    const uint64_t length = pattern.size();
    if (length == 0) return 0;
    if (count < length) return std::nullopt;
    const uint64_t last = count - length;
    const uint8_t first = pattern[0];
    const uint8_t lower = static_cast<uint8_t>(first | 0x20);
    // Only the letters' two cases differ by bit 5 alone and fold together.
    const bool letterFirst = !exact && lower >= 'a' && lower <= 'z';
    for (uint64_t p = 0; p <= last;) {
        // Positions whose first byte differs are passed over in bulk.
        if (letterFirst) {
            while (p <= last && (bytes[p] | 0x20) != lower) ++p;
        } else {
            const void* hit = std::memchr(bytes + p, first, last - p + 1);
            if (!hit) return std::nullopt;
            p = static_cast<uint64_t>(static_cast<const uint8_t*>(hit) - bytes);
        }
        if (p > last) break;
        if (Matches(bytes + p, pattern, exact)) return p;
        ++p;
    }
    return std::nullopt;
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
