// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "app/docking/WindowPlacement.h"

TEST(WindowPlacement, NewWindowsCascadeInsideTheAreaAndStartOverWhereTheyWouldNotFit) {
    struct Case {
        std::optional<DockPoint> last;
        DockSize window;
        DockPoint expected;
    };
    const DockSize area{600, 400};
    const Case cases[] = {
        {std::nullopt, {300, 200}, {0, 0}},
        {DockPoint{0, 0}, {300, 200}, {24, 24}},
        {DockPoint{24, 24}, {300, 200}, {48, 48}},
        {DockPoint{300, 100}, {300, 200}, {0, 0}},      // past the right edge
        {DockPoint{100, 190}, {300, 200}, {0, 0}},      // past the bottom
        {DockPoint{276, 176}, {300, 200}, {300, 200}},  // exactly fits
        {DockPoint{0, 0}, {700, 200}, {0, 0}},          // wider than the area
        {DockPoint{-50, -50}, {300, 200}, {0, 0}},      // the last one was moved out
    };
    for (const Case& c : cases) {
        const DockPoint spot = WindowPlacement::Cascade(c.last, 24, c.window, area);
        EXPECT_EQ(spot, c.expected) << (c.last ? c.last->x : -1) << " " << c.window.cx;
    }
}

TEST(WindowPlacement, AFloatedBarTakesTheFirstSpotClearOfWindowsOnTheScreen) {
    const DockRect screen{0, 0, 1000, 800};
    const DockSize bar{200, 100};
    const std::vector<DockRect> windows = {{0, 0, 500, 400}, {600, 0, 900, 300}};
    struct Case {
        std::vector<DockPoint> candidates;
        DockPoint expected;
    };
    const Case cases[] = {
        // Over the first window, then clear of both: the second candidate.
        {{{10, 10}, {650, 500}}, {650, 500}},
        // Clear but off the screen, then clear on it.
        {{{900, 500}, {10, 600}}, {10, 600}},
        // Touching a window's edge is not covering it.
        {{{500, 300}, {0, 700}}, {500, 300}},
        // Nothing clear: the spot that covers least, on the screen.
        {{{0, 0}, {450, 350}, {850, 250}}, {450, 350}},
        {{{0, 0}, {950, 0}}, {0, 0}},
    };
    for (const Case& c : cases) {
        const DockPoint spot = WindowPlacement::Clear(c.candidates, bar, screen, windows);
        EXPECT_EQ(spot, c.expected) << c.candidates.front().x << "," << c.candidates.front().y;
    }
}
