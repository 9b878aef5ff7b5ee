// SPDX-License-Identifier: MIT
#include "sim/BytePieces.h"

#include <string.h>

#include <algorithm>
#include <vector>

bool TakeFill(uint8_t fill, uint64_t count, const BytePieces& take) {
    static constexpr uint64_t kFillBytes = 0x40000;
    std::vector<uint8_t> buffer(std::min(count, kFillBytes), fill);
    bool taken = true;
    for (uint64_t done = 0; taken && done < count;) {
        const uint64_t piece = std::min<uint64_t>(count - done, buffer.size());
        taken = take(buffer.data(), piece);
        done += piece;
    }
    // What a read gave stays no longer than the read.
    if (!buffer.empty()) explicit_bzero(buffer.data(), buffer.size());
    return taken;
}
