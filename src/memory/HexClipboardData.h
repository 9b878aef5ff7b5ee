#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What a copy puts on the clipboard: the raw bytes under "BinaryData" and a
// readable text form beside them.
struct HexClipboardData {
    std::vector<uint8_t> bytes;
    std::string text;
};

inline constexpr const char* kBinaryDataFormat = "BinaryData";
inline constexpr const char* kBinaryDataMimeType =
    "application/x-qt-windows-mime;value=\"BinaryData\"";

// Printable in the C locale: 0x20 to 0x7E.
inline bool IsPrintableByte(uint8_t value) { return value >= 0x20 && value <= 0x7E; }

// Character pane: the bytes with every unprintable one as "."; otherwise two
// uppercase digits and a blank per byte, the last one included.
std::string HexClipboardText(const std::vector<uint8_t>& bytes, bool characterPane);
