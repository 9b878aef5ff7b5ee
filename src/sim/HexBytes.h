// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Hex digit pairs, whitespace ignored ("86808da4 06001002"). On failure
// returns false and says what is wrong and where (0-based character position).
bool ParseHexBytes(const std::string& text, std::vector<uint8_t>* bytes, std::string* error);

// "0x1F" style, for messages.
std::string HexNumber(uint64_t value);
