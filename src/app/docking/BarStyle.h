// SPDX-License-Identifier: MIT
#pragma once

// Bits of a control bar's style word, as CSizingControlBar::Create takes it.
namespace bar_style {

// The window is a child of the frame and shown.
inline constexpr unsigned Child = 0x40000000;
inline constexpr unsigned Visible = 0x10000000;

// The edges that get a border line.
inline constexpr unsigned BorderLeft = 0x0100;
inline constexpr unsigned BorderTop = 0x0200;
inline constexpr unsigned BorderRight = 0x0400;
inline constexpr unsigned BorderBottom = 0x0800;

// The side the bar docks on; a bar at the top has its border below.
inline constexpr unsigned AlignTop = 0x2000;
inline constexpr unsigned Top = AlignTop | BorderBottom;

// Tool tips, fly-by help in the status bar, and a size the layout may change.
inline constexpr unsigned ToolTips = 0x0010;
inline constexpr unsigned FlyBy = 0x0020;
inline constexpr unsigned SizeDynamic = 0x0004;

// What a bar keeps of the style it is created with: the bar's own bits.
inline constexpr unsigned Kept = 0x0040FFFF;

}  // namespace bar_style
