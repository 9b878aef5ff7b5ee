// SPDX-License-Identifier: MIT
#pragma once

#include <algorithm>

// Plain geometry in the window system's integer terms: a rectangle runs from
// left/top included to right/bottom excluded.
struct DockSize {
    int cx = 0;
    int cy = 0;
    friend bool operator==(const DockSize&, const DockSize&) = default;
};

struct DockPoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const DockPoint&, const DockPoint&) = default;
};

struct DockRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool Contains(DockPoint p) const {
        return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
    }
    DockRect Shrunk(int by) const { return {left + by, top + by, right - by, bottom - by}; }
    DockPoint Centre() const { return {(left + right) / 2, (top + bottom) / 2}; }
    friend bool operator==(const DockRect&, const DockRect&) = default;
};

// Neighbouring bars of a row overlap by their border, 2 pixels, so a row's
// length counts each shared border once.
inline constexpr int kSharedBorder = 2;

// Control identifiers of the four dock bars; any other dock side is floating
// or not yet placed.
namespace dock {
inline constexpr int Top = 0xE81B;
inline constexpr int Left = 0xE81C;
inline constexpr int Right = 0xE81D;
inline constexpr int Bottom = 0xE81E;

inline bool IsSide(int side) {
    return side >= Top && side <= Bottom;
}
inline bool IsHorizontalSide(int side) {
    return side == Top || side == Bottom;
}
}  // namespace dock

// Hit codes of the non-client area.
namespace hit {
inline constexpr int Default = 0;  // the caller's own handling
inline constexpr int Client = 1;
inline constexpr int Left = 10;
inline constexpr int Right = 11;
inline constexpr int Top = 12;
inline constexpr int Bottom = 15;
inline constexpr int Close = 20;

inline bool IsSizingEdge(int code) {
    return code >= 10 && code <= 17;
}
}  // namespace hit

// Edge flags: the edges that are sizing edges now.
namespace edge {
inline constexpr unsigned Left = 0x1;
inline constexpr unsigned Right = 0x2;
inline constexpr unsigned Top = 0x4;
inline constexpr unsigned Bottom = 0x8;
inline constexpr unsigned All = 0xF;
}  // namespace edge

// Bits of a dynamic-layout request.
namespace layout {
inline constexpr unsigned Stretch = 0x01;
inline constexpr unsigned Horizontal = 0x02;
inline constexpr unsigned MostRecentUsed = 0x04;
inline constexpr unsigned DockedHorizontally = 0x08;
inline constexpr unsigned DockedVertically = 0x10;
inline constexpr unsigned LengthIsHeight = 0x20;
inline constexpr unsigned Commit = 0x40;
}  // namespace layout
