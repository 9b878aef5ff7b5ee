// SPDX-License-Identifier: MIT
#include "memory/hexedit/HexLayout.h"

void HexLayout::Compute(uint64_t size, int clientHeight) {
    if (cellWidth < 1) cellWidth = 1;
    if (cellHeight < 1) cellHeight = 1;
    hexX = showAddress ? (AddressCells() + 1) * cellWidth : 0;
    charX = showHex ? hexX + 3 * static_cast<int>(bytesPerLine) * cellWidth : hexX;
    uint64_t lines = clientHeight > 0 ? static_cast<uint64_t>(clientHeight / cellHeight) : 0;
    if (lines * bytesPerLine > size) lines = DataLines(size);
    // At least one line, so page steps always move and a caret line exists.
    if (lines == 0) lines = 1;
    linesPerPage = static_cast<uint32_t>(lines);
}

uint64_t HexLayout::LastPageStart(uint64_t size) const {
    uint64_t lines = DataLines(size);
    return lines > linesPerPage ? uint64_t{bytesPerLine} * (lines - linesPerPage) : 0;
}

std::optional<HexHit> HexLayout::HitTest(int x, int y, uint64_t top, uint64_t size) const {
    if (x < 0 || y < 0) return std::nullopt;
    const int row = y / cellHeight;
    const uint64_t lineStart = top + uint64_t(row) * bytesPerLine;
    if (uint64_t(row) >= linesPerPage || lineStart > size) return std::nullopt;
    const int c = x / cellWidth;
    const int perLine = static_cast<int>(bytesPerLine);
    if (showAddress && c < AddressCells()) return HexHit{0, row, lineStart, PaneAddress};
    const int h = hexX / cellWidth;
    if (showHex && c >= h && c < h + 3 * perLine - 1) {
        const int r = (c - h) % 3;
        const int j = (c - h) / 3;
        if (r == 2) return HexHit{c + 1, row, lineStart + uint64_t(j) + 1, PaneHexHigh};
        return HexHit{c, row, lineStart + uint64_t(j), r == 0 ? PaneHexHigh : PaneHexLow};
    }
    const int a = charX / cellWidth;
    if (showChar && c >= a - 1 && c < a + perLine) {
        const int byte = c < a ? 0 : c - a;
        return HexHit{a + byte, row, lineStart + uint64_t(byte), PaneChar};
    }
    return std::nullopt;
}

int HexLayout::CaretX(CaretPane pane, uint64_t column) const {
    const int col = static_cast<int>(column);
    switch (pane) {
        case PaneChar:
            return charX + col * cellWidth;
        case PaneHexHigh:
            return hexX + 3 * col * cellWidth;
        case PaneHexLow:
            return hexX + (3 * col + 1) * cellWidth;
        case PaneAddress:
            break;
    }
    return 0;
}
