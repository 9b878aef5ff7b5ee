#include "memory/MemoryDumpInput.h"

#include "hw/SystemFunctions.h"

namespace {

uint8_t DigitValue(char c) {
    if (c >= '0' && c <= '9') return static_cast<uint8_t>(c - '0');
    if (c >= 'a' && c <= 'f') return static_cast<uint8_t>(c - 'a' + 10);
    return static_cast<uint8_t>(c - 'A' + 10);
}

}  // namespace

std::optional<uint32_t> ParseMemoryHexField(const std::string& text) {
    const std::string field = text.substr(0, kMemoryFieldLimit);
    if (!IsHexString(field)) return std::nullopt;
    uint32_t value = 0;
    for (char c : field) value = value << 4 | DigitValue(c);
    return value;
}

std::optional<std::vector<uint8_t>> SearchPatternOf(const std::string& text, bool hexMode) {
    if (!hexMode) return std::vector<uint8_t>(text.begin(), text.end());
    if (!IsHexString(text)) return std::nullopt;
    const std::string digits = text.size() % 2 ? "0" + text : text;
    std::vector<uint8_t> pattern;
    pattern.reserve(digits.size() / 2);
    for (size_t i = 0; i < digits.size(); i += 2)
        pattern.push_back(
            static_cast<uint8_t>(DigitValue(digits[i]) << 4 | DigitValue(digits[i + 1])));
    return pattern;
}
