#pragma once

#include <string>

enum class HexTextStyle { Normal, Changed, Highlighted };

// One piece of text the window draws: where (pixels), what, in which colours.
struct HexPaintRun {
    int x = 0;
    int y = 0;
    std::string text;
    HexTextStyle style = HexTextStyle::Normal;
};
