#include "memory/HexClipboardText.h"

std::string HexClipboardText(const std::vector<uint8_t>& bytes, bool characterPane) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(characterPane ? bytes.size() : 3 * bytes.size());
    for (uint8_t value : bytes) {
        if (characterPane) {
            text += IsPrintableByte(value) ? static_cast<char>(value) : '.';
        } else {
            text += kDigits[value >> 4];
            text += kDigits[value & 0x0F];
            text += ' ';
        }
    }
    return text;
}
