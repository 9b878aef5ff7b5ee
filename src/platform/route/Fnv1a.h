// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string_view>

inline constexpr uint64_t kFnv1aOffsetBasis = 0xcbf29ce484222325ull;

// FNV-1a, 64 bits; pass the previous hash to continue over several pieces.
constexpr uint64_t Fnv1a64(std::string_view bytes, uint64_t hash = kFnv1aOffsetBasis) {
    for (char c : bytes) {
        hash ^= static_cast<uint8_t>(c);
        hash *= 0x100000001b3ull;
    }
    return hash;
}
