// SPDX-License-Identifier: MIT
#include "memory/hexedit/HexClipboardText.h"

void WriteHexClipboardText(const uint8_t* bytes, size_t count, bool characterPane, char* out) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    for (size_t i = 0; i < count; ++i) {
        const uint8_t value = bytes[i];
        if (characterPane) {
            *out++ = IsPrintableByte(value) ? static_cast<char>(value) : '.';
        } else {
            *out++ = kDigits[value >> 4];
            *out++ = kDigits[value & 0x0F];
            *out++ = ' ';
        }
    }
}
