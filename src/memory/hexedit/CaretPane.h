// SPDX-License-Identifier: MIT
#pragma once

// Where the hex window's caret stands.
enum CaretPane : int {
    PaneAddress = 0,  // no caret drawn, typing changes nothing
    PaneChar = 1,
    PaneHexHigh = 2,
    PaneHexLow = 3,
};

inline bool IsHexPane(CaretPane pane) {
    return pane == PaneHexHigh || pane == PaneHexLow;
}
