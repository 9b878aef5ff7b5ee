// SPDX-License-Identifier: MIT
#include "pcidef/NumberText.h"

namespace pcidef {

std::optional<uint64_t> ParseDigits(std::string_view digits, int base) {
    if (digits.empty() || digits.size() > 16) return std::nullopt;
    uint64_t value = 0;
    for (char c : digits) {
        const int digit = c >= '0' && c <= '9'   ? c - '0'
                          : c >= 'a' && c <= 'f' ? c - 'a' + 10
                          : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                 : base;
        if (digit >= base) return std::nullopt;
        value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
    }
    return value;
}

}  // namespace pcidef
