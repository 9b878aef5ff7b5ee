// SPDX-License-Identifier: MIT
#include "pci/names/HexScan.h"

#include <cstring>

#include "hw/SystemFunctions.h"

bool ScanHex(const char* text, const char* end, uint32_t* value, const char** stop) {
    const char* p = text;
    auto at = [&](const char* q) { return q < end ? *q : '\0'; };
    while (at(p) != '\0' && IsScanSpace(at(p))) ++p;
    bool negative = false;
    if (at(p) == '+' || at(p) == '-') {
        negative = at(p) == '-';
        ++p;
    }
    bool anyDigit = false;
    if (at(p) == '0' && (at(p + 1) == 'x' || at(p + 1) == 'X')) {
        // "0x" alone still reads as 0, as the C library does.
        anyDigit = true;
        p += 2;
    }
    uint64_t number = 0;
    bool overflow = false;
    for (int digit; (digit = HexDigitValue(at(p))) >= 0; ++p) {
        anyDigit = true;
        if (number > (UINT64_MAX >> 4)) overflow = true;
        number = (number << 4) | static_cast<uint64_t>(digit);
    }
    if (!anyDigit) return false;
    if (overflow) {
        number = UINT64_MAX;
    } else if (negative) {
        number = 0 - number;
    }
    *value = static_cast<uint32_t>(number);
    if (stop) *stop = p;
    return true;
}
