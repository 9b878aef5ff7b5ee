// SPDX-License-Identifier: MIT
#include "pcidef/ConfigWindow.h"

#include <algorithm>

FunctionAddress ConfigWindow::FunctionAt(uint64_t address) const {
    const uint64_t relative = address - base;
    return {static_cast<uint8_t>(relative >> 20), static_cast<uint8_t>((relative >> 15) & 0x1F),
            static_cast<uint8_t>((relative >> 12) & 7), segment};
}

WindowPiece FirstWindowPiece(std::span<const ConfigWindow> windows, uint64_t address,
                             uint64_t length) {
    WindowPiece piece;
    piece.length = length;
    for (const ConfigWindow& window : windows) {
        if (window.Contains(address)) {
            piece.inWindow = true;
            piece.function = window.FunctionAt(address);
            piece.offset = ConfigWindow::OffsetInFunction(address, window.base);
            piece.length = std::min(length, ConfigWindow::kFunctionBytes - piece.offset);
            return piece;
        }
        if (window.Begin() > address)
            piece.length = std::min(piece.length, window.Begin() - address);
    }
    return piece;
}
