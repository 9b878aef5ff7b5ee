// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

// Reads a number the way scanf's "%x" does into an unsigned int: leading
// white space, an optional sign, an optional 0x prefix, then hex digits;
// out-of-range values saturate as strtoul does and keep the low 32 bits.
// The text ends at `end` or at a NUL, whichever comes first. Returns false
// when no number can be read; `stop` (optional) gets the first unread byte.
bool ScanHex(const char* text, const char* end, uint32_t* value, const char** stop = nullptr);

// The white space scanf skips in the C locale.
inline bool IsScanSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
