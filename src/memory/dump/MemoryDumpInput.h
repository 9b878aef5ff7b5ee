// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The memory window's address and size fields hold at most this many
// characters.
inline constexpr int kMemoryFieldLimit = 15;
// The search box holds at most this many characters.
inline constexpr size_t kSearchTextLimit = 259;

// The largest dump: sizes are signed 32-bit values.
inline constexpr uint32_t kMaxDumpSize = 0x7FFFFFFF;

struct DumpRange {
    uint32_t address = 0;
    uint32_t size = 0;
};
enum class DumpRangeError { None, Address, Size };

// The range the address and size fields name: both hexadecimal, converted
// into 32 bits (of a longer number the low 32 bits remain), the size at most
// kMaxDumpSize. Says which field is wrong, the address first.
DumpRangeError ParseDumpRange(const std::string& addressText, const std::string& sizeText,
                              DumpRange* range);

// The search box's text as the box holds it: its first kSearchTextLimit
// characters.
std::string SearchBoxText(const std::string& utf8);

struct SearchPattern {
    // false: HEX mode and the text is not hexadecimal.
    bool valid = true;
    // false: the text has a character that no single byte stands for, so no
    // dump can hold it.
    bool representable = true;
    std::vector<uint8_t> bytes;
};

// The bytes a search text stands for. HEX mode: each pair of digits from the
// left, an odd count getting a "0" in front. ASCII mode: one Latin-1 byte per
// character, as the character pane types them; the text is UTF-8, and a byte
// that starts no UTF-8 character stands for itself.
SearchPattern SearchPatternOf(const std::string& text, bool hexMode);
