#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The memory window's hex fields hold at most this many characters.
inline constexpr size_t kMemoryFieldLimit = 15;
// The search box holds at most this many characters.
inline constexpr size_t kSearchTextLimit = 259;

// A hex field's value from its first 15 characters: empty unless IsHexString
// accepts them; of a longer number only the low 32 bits remain.
std::optional<uint32_t> ParseMemoryHexField(const std::string& text);

// The bytes a search text stands for. HEX mode: empty unless the text is hex;
// an odd count of digits gets a "0" in front, then each pair is a byte.
// ASCII mode: the text's own bytes.
std::optional<std::vector<uint8_t>> SearchPatternOf(const std::string& text, bool hexMode);
