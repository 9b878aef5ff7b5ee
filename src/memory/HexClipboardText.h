#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Printable in the C locale: 0x20 to 0x7E.
inline bool IsPrintableByte(uint8_t value) {
    return value >= 0x20 && value <= 0x7E;
}

// Character pane: the bytes with every unprintable one as "."; otherwise two
// uppercase digits and a blank per byte, the last one included.
std::string HexClipboardText(const std::vector<uint8_t>& bytes, bool characterPane);
