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
