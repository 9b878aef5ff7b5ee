// SPDX-License-Identifier: MIT
#pragma once

// The system-style caret of the hex window: it is created hidden, shown,
// hidden and destroyed as the window's rules say; the widget draws it while
// it exists and is visible.
struct HexCaret {
    bool exists = false;
    bool visible = false;
    int x = 0;
    int y = 0;

    void Create() {
        exists = true;
        visible = false;
    }
    void Destroy() { exists = visible = false; }
    void MoveTo(int px, int py) {
        x = px;
        y = py;
    }
    void Show() { visible = exists; }
    void Hide() { visible = false; }
    bool Drawn() const { return exists && visible; }
};
