// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "memory/hexedit/PositionedIo.h"

class HexDataFile;
class WorkProgress;

// Forward search of a byte pattern in the data file, streamed through one
// window of kWindowBytes; consecutive windows overlap by the pattern length so a match
// across a boundary is found.
class HexPatternSearch {
  public:
    static constexpr uint64_t kWindowBytes = PositionedIo::kBlockBytes;

    // exact false: letters compare without regard to ASCII case, every other
    // byte must be equal. Finds the first match starting at start or later
    // that lies wholly within size bytes. The progress is asked before every
    // window; a cancelled search finds nothing.
    static std::optional<uint64_t> Find(HexDataFile& data, uint64_t size, uint64_t start,
                                        const std::vector<uint8_t>& pattern, bool exact,
                                        WorkProgress* progress = nullptr);
};
