// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string>

enum class HexTextStyle { Normal, Changed, Highlighted };

// One piece of text the window draws, in one style and within one column of
// the window: character i stands in the cell at CellX(i), whatever advance
// the font would give it, so painted cells agree with the hit test.
struct HexPaintRun {
    int x = 0;
    int y = 0;
    std::string text;
    HexTextStyle style = HexTextStyle::Normal;
    int cellWidth = 1;

    int CellX(size_t i) const { return x + static_cast<int>(i) * cellWidth; }
    int Width() const { return CellX(text.size()) - x; }
};
