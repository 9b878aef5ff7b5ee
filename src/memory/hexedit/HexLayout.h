// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>

#include "memory/hexedit/CaretPane.h"

// Where a point of the client area falls: the cell and row, and the byte and
// pane that the caret takes there.
struct HexHit {
    int cell = 0;
    int row = 0;
    uint64_t caret = 0;
    CaretPane pane = PaneAddress;
};

// Column geometry of the hex window in character cells: address column, a
// blank, three cells per byte in the hex pane, one per byte in the character
// pane.
class HexLayout {
  public:
    uint32_t bytesPerLine = 16;
    bool showAddress = true;
    bool showHex = true;
    bool showChar = true;
    bool wideAddresses = true;
    int cellWidth = 1;
    int cellHeight = 1;
    int hexX = 0;
    int charX = 0;
    uint32_t linesPerPage = 0;

    int AddressCells() const { return wideAddresses ? 8 : 4; }
    // Pane positions from the flags and the cell width; lines per page from
    // the client height, never more than the data occupies.
    void Compute(uint64_t size, int clientHeight);
    uint64_t DataLines(uint64_t size) const { return (size + bytesPerLine - 1) / bytesPerLine; }
    uint64_t PageBytes() const { return uint64_t{linesPerPage} * bytesPerLine; }
    // Upper bound of top for every scroll operation.
    uint64_t LastPageStart(uint64_t size) const;
    std::optional<HexHit> HitTest(int x, int y, uint64_t top, uint64_t size) const;
    // Pixel x of the caret cell for a byte column in a pane.
    int CaretX(CaretPane pane, uint64_t column) const;
};
