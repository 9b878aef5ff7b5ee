// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <functional>

// Takes the bytes of a read piece by piece, in order, where they lie;
// false stops the read.
using BytePieces = std::function<bool(const uint8_t* bytes, uint64_t count)>;

// Hands `count` bytes of the value `fill` to `take`, a buffer's worth at a
// time. False when `take` stopped it.
bool TakeFill(uint8_t fill, uint64_t count, const BytePieces& take);
