// SPDX-License-Identifier: MIT
#include "sim/HexBytes.h"

#include <cctype>
#include <cstdio>

#include "platform/HexDigit.h"

bool ParseHexBytes(const std::string& text, std::vector<uint8_t>* bytes, std::string* error) {
    std::vector<uint8_t> result;
    result.reserve(text.size() / 2);
    int pending = -1;
    size_t digits = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (std::isspace(static_cast<unsigned char>(c))) continue;
        int value = HexDigitValue(c);
        if (value < 0) {
            *error = std::string("bad hex digit '") + c + "' at position " + std::to_string(i);
            return false;
        }
        ++digits;
        if (pending < 0) {
            pending = value;
        } else {
            result.push_back(static_cast<uint8_t>(pending << 4 | value));
            pending = -1;
        }
    }
    if (pending >= 0) {
        *error = "odd number of hex digits (" + std::to_string(digits) + ")";
        return false;
    }
    *bytes = std::move(result);
    return true;
}

std::string HexNumber(uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof(text), "0x%llX", static_cast<unsigned long long>(value));
    return text;
}
