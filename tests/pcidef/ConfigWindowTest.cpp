// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <vector>

#include "pcidef/ConfigWindow.h"

namespace {

// Where each piece of a range falls, as "w:BB:DD.F+OFFSET/LENGTH" inside a
// window and "m:ADDRESS/LENGTH" outside.
std::vector<std::string> Pieces(const std::vector<ConfigWindow>& windows, uint64_t address,
                                uint64_t length) {
    std::vector<std::string> pieces;
    ForEachWindowPiece(
        windows, address, length, [&](const WindowPiece& piece, uint64_t at, uint64_t) {
            char text[64];
            if (piece.inWindow) {
                std::snprintf(text, sizeof text, "w:%s+%x/%llx", piece.function.ToString().c_str(),
                              piece.offset, static_cast<unsigned long long>(piece.length));
            } else {
                std::snprintf(text, sizeof text, "m:%llx/%llx", static_cast<unsigned long long>(at),
                              static_cast<unsigned long long>(piece.length));
            }
            pieces.emplace_back(text);
            return true;
        });
    return pieces;
}

TEST(ConfigWindow, RangesSplitAtFunctionsAndWindowEdges) {
    const std::vector<ConfigWindow> windows = {
        {0xE0000000, 0, 0, 1},        // buses 0-1
        {0xF0000000, 0, 0x10, 0x10},  // bus 0x10 only: begins at 0xF1000000
    };
    using V = std::vector<std::string>;
    struct Case {
        uint64_t address, length;
        V pieces;
    } cases[] = {
        {0xE0000000, 4, V{"w:00:00.0+0/4"}},
        {0xE0000FFE, 4, V{"w:00:00.0+ffe/2", "w:00:00.1+0/2"}},
        {0xE01FFFFC, 8, V{"w:01:1f.7+ffc/4", "m:e0200000/4"}},
        {0xDFFFFFFE, 4, V{"m:dffffffe/2", "w:00:00.0+0/2"}},
        {0xF0FFFFFF, 2, V{"m:f0ffffff/1", "w:10:00.0+0/1"}},
        {0x1000, 0x10, V{"m:1000/10"}},
        {0xE0000000, 0, V{}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.address);
        EXPECT_EQ(Pieces(windows, c.address, c.length), c.pieces);
    }
    EXPECT_EQ(Pieces({}, 0xE0000000, 8), V{"m:e0000000/8"});
}

TEST(ConfigWindow, VisitStopsTheWalkWhenItFails) {
    const std::vector<ConfigWindow> windows = {{0xE0000000, 3, 0, 0xFF}};
    int visits = 0;
    EXPECT_FALSE(ForEachWindowPiece(windows, 0xE0000000, 0x3000,
                                    [&](const WindowPiece& piece, uint64_t, uint64_t) {
                                        EXPECT_EQ(piece.function.segment, 3);
                                        return ++visits < 2;
                                    }));
    EXPECT_EQ(visits, 2);
    EXPECT_EQ(windows[0].End(), 0xF0000000u);
}

}  // namespace
