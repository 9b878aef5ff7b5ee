#include "memory/HexPatternSearch.h"

#include <algorithm>
#include <cstring>

#include "memory/HexDataFile.h"

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

std::optional<uint64_t> HexPatternSearch::Find(HexDataFile& data, uint64_t size, uint64_t start,
                                               const std::vector<uint8_t>& pattern, bool exact) {
    const uint64_t length = pattern.size();
    // A window must be longer than the pattern, or the overlap would stall.
    const uint64_t window = std::max(kWindowBytes, 2 * length);
    std::vector<uint8_t> buffer;
    for (uint64_t s = start; s + length <= size; s += window - length) {
        const uint64_t count = std::min(window, size - s);
        buffer.resize(count);
        // Bytes the file lacks read as 0xFF, as the window shows them.
        std::memset(buffer.data(), 0xFF, count);
        data.Read(buffer.data(), s, count);
        for (uint64_t p = 0; p + length <= count; ++p) {
            if (Matches(buffer.data() + p, pattern, exact)) return s + p;
        }
        if (s + count >= size) break;
    }
    return std::nullopt;
}
