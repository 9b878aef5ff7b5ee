// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

// The vertical scroll bar in the system's terms: lines, with maximum the last
// line and page the lines that fit.
struct HexScrollRange {
    int64_t minimum = 0;
    int64_t maximum = 0;
    int64_t page = 0;
    int64_t position = 0;
    // Both arrows are live only when something can be scrolled.
    bool Scrollable() const { return page - 1 < maximum; }
    // Highest position the thumb can take.
    int64_t TrackMaximum() const { return maximum - page + 1 > 0 ? maximum - page + 1 : 0; }
};
