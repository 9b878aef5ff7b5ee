// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "memory/hexedit/HexClipboardSink.h"

// What a copy would put on the clipboard, held in plain containers: the raw
// bytes under "BinaryData" and a readable text form beside them.
struct HexClipboardData : HexClipboardSink {
    std::vector<uint8_t> bytes;
    std::string text;

    uint8_t* Bytes(size_t count) override {
        bytes.resize(count);
        return bytes.data();
    }
    char* Text(size_t length) override {
        text.resize(length);
        return text.data();
    }
};
