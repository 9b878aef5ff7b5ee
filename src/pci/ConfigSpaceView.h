// SPDX-License-Identifier: MIT
#pragma once

#include <algorithm>
#include <cstdint>

// A function's space as read, where the read left it: `size` bytes (this
// machine's dwords are little-endian, as configuration space is) and one
// entry per dword, non-zero where that dword was read.
struct ConfigSpaceView {
    uint32_t size = 0;
    const uint8_t* bytes = nullptr;
    const uint8_t* read = nullptr;

    bool Complete() const {
        return std::all_of(read, read + size / 4, [](uint8_t r) { return r != 0; });
    }
};
