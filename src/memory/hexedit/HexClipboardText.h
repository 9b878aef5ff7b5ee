// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>

// Printable in the C locale: 0x20 to 0x7E.
inline bool IsPrintableByte(uint8_t value) {
    return value >= 0x20 && value <= 0x7E;
}

// The length of the text form of count bytes.
inline size_t HexClipboardTextLength(size_t count, bool characterPane) {
    return characterPane ? count : 3 * count;
}

// Character pane: the bytes with every unprintable one as "."; otherwise two
// uppercase digits and a blank per byte, the last one included. `out` holds
// HexClipboardTextLength(count, characterPane) characters.
void WriteHexClipboardText(const uint8_t* bytes, size_t count, bool characterPane, char* out);
