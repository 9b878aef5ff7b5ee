// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace pcidef {

// The number the digits spell in base 10 or 16, nothing else around them;
// at most 16 digits, so it always fits.
std::optional<uint64_t> ParseDigits(std::string_view digits, int base);

}  // namespace pcidef
