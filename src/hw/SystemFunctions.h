// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/HexDigit.h"

inline constexpr int OS_OTHER = 0;
inline constexpr int OS_WIN9X = 1;
inline constexpr int OS_WINME = 4;
inline constexpr int OS_WIN2000 = 8;
inline constexpr int OS_WINXP = 16;
inline constexpr int OS_WIN2003 = 32;

int ClassifyWindowsVersion();
// True for the family codes that take the 9x route.
bool IsWin9xFamily(int code);
// The program's directory with a trailing '/'; also makes it the current
// directory.
std::string ProgramDirectory();
int IsHexString(const std::string& text);

// A hexadecimal field converted into 32 bits. Every field of the windows and
// every number of the command line goes through here.
struct HexField {
    uint32_t value = 0;  // the low 32 bits of the number
    bool fits = true;    // false when the number needs more than 32 bits
};
// Empty unless IsHexString accepts the whole text. Leading zeros never change
// the value, however many there are.
std::optional<HexField> ParseHexField(const std::string& text);
// The value of a field that goes to the hardware as typed: empty also when the
// number needs more than 32 bits, which would reach it as some other value.
std::optional<uint32_t> ParseExactHexField(const std::string& text);
// The bytes a hexadecimal field stands for, from the left: an odd count of
// digits gets a "0" in front, so "1A2" is 01 A2. Empty unless IsHexString
// accepts the text.
std::optional<std::vector<uint8_t>> ParseHexFieldBytes(const std::string& text);
int ProcessorCount();
