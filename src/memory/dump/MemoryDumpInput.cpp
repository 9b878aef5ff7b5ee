// SPDX-License-Identifier: MIT
#include "memory/dump/MemoryDumpInput.h"

#include <optional>
#include <utility>

#include "hw/SystemFunctions.h"

namespace {

bool IsContinuation(uint8_t byte) {
    return (byte & 0xC0) == 0x80;
}

// The code point of a well-formed UTF-8 sequence at text[i] and its length;
// empty when the bytes there are no such sequence.
std::optional<std::pair<uint32_t, size_t>> DecodeUtf8(const std::string& text, size_t i) {
    const auto at = [&](size_t k) { return static_cast<uint8_t>(text[k]); };
    const uint8_t lead = at(i);
    size_t length = 0;
    uint32_t code = 0;
    uint8_t low = 0x80;
    uint8_t high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
        // No overlong forms, no surrogates.
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return std::nullopt;
    }
    if (i + length > text.size() || at(i + 1) < low || at(i + 1) > high) return std::nullopt;
    for (size_t k = 1; k < length; ++k) {
        if (!IsContinuation(at(i + k))) return std::nullopt;
        code = code << 6 | (at(i + k) & 0x3F);
    }
    return std::make_pair(code, length);
}

// The character at text[i] and its length in bytes: a well-formed UTF-8
// sequence, or else the one byte there, which stands for itself.
std::pair<uint32_t, size_t> CharacterAt(const std::string& text, size_t i) {
    const uint8_t byte = static_cast<uint8_t>(text[i]);
    const auto decoded = byte < 0x80 ? std::nullopt : DecodeUtf8(text, i);
    return decoded ? *decoded : std::make_pair(uint32_t{byte}, size_t{1});
}

SearchPattern Latin1Pattern(const std::string& text) {
    SearchPattern pattern;
    pattern.bytes.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const auto [code, length] = CharacterAt(text, i);
        if (code > 0xFF) pattern.representable = false;
        pattern.bytes.push_back(static_cast<uint8_t>(code));
        i += length;
    }
    return pattern;
}

}  // namespace

DumpRangeError ParseDumpRange(const std::string& addressText, const std::string& sizeText,
                              DumpRange* range) {
    const std::optional<HexField> address = ParseHexField(addressText);
    if (!address) return DumpRangeError::Address;
    const std::optional<HexField> size = ParseHexField(sizeText);
    // Sizes are signed 32-bit values; from 0x80000000 on they would be negative.
    if (!size || size->value > kMaxDumpSize) return DumpRangeError::Size;
    range->address = address->value;
    range->size = size->value;
    return DumpRangeError::None;
}

std::string SearchBoxText(const std::string& utf8) {
    // Characters as the pattern reads them, so a byte that starts no UTF-8
    // character counts as one.
    size_t end = 0;
    for (size_t characters = 0; end < utf8.size() && characters < kSearchTextLimit; ++characters)
        end += CharacterAt(utf8, end).second;
    return utf8.substr(0, end);
}

SearchPattern SearchPatternOf(const std::string& text, bool hexMode) {
    if (!hexMode) return Latin1Pattern(text);
    SearchPattern pattern;
    std::optional<std::vector<uint8_t>> bytes = ParseHexFieldBytes(text);
    pattern.valid = bytes.has_value();
    if (bytes) pattern.bytes = std::move(*bytes);
    return pattern;
}
