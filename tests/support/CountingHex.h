// SPDX-License-Identifier: MIT
#pragma once

#include <cstdio>
#include <string>

// Hex digits of the bytes 00, 01, 02, ... wrapping at 256, as a machine
// file's "hex" field takes them.
inline std::string CountingHex(size_t count) {
    std::string hex;
    char pair[3];
    for (size_t i = 0; i < count; ++i) {
        std::snprintf(pair, sizeof pair, "%02x", static_cast<unsigned>(i & 0xFF));
        hex += pair;
    }
    return hex;
}
