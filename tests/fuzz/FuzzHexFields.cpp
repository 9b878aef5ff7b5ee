// SPDX-License-Identifier: MIT
// Hexadecimal fields as the windows, the command line and machine files take
// them. Each parser is held against a plain reading of the same digits.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>

#include "FuzzCheck.h"
#include "cli/FunctionArgument.h"
#include "hw/SystemFunctions.h"
#include "memory/dump/MemoryDumpInput.h"
#include "pcidef/ConfigSpaceTable.h"
#include "pcidef/FieldValueParse.h"
#include "pcidef/FunctionAddress.h"
#include "platform/HexDigit.h"
#include "sim/HexBytes.h"

namespace {

// The digits of a field read one by one: the low 32 bits, and whether the
// number fits them. Empty when the text is not all digits.
std::optional<HexField> PlainReading(const std::string& text) {
    if (text.empty()) return std::nullopt;
    HexField field;
    size_t significant = 0;
    for (char c : text) {
        const int digit = HexDigitValue(c);
        if (digit < 0) return std::nullopt;
        if (significant > 0 || digit != 0) ++significant;
        field.value = field.value * 16 + static_cast<uint32_t>(digit);
    }
    field.fits = significant <= 8;
    return field;
}

void CheckHexField(const std::string& text) {
    const std::optional<HexField> expected = PlainReading(text);
    const std::optional<HexField> field = ParseHexField(text);
    FUZZ_CHECK((IsHexString(text) != 0) == expected.has_value());
    FUZZ_CHECK(field.has_value() == expected.has_value());
    if (!field) return;
    FUZZ_CHECK(field->value == expected->value && field->fits == expected->fits);
    const std::optional<std::vector<uint8_t>> bytes = ParseHexFieldBytes(text);
    FUZZ_CHECK(bytes && bytes->size() == (text.size() + 1) / 2);
    const SearchPattern pattern = SearchPatternOf(text, true);
    FUZZ_CHECK(pattern.valid && pattern.bytes == *bytes);
}

void CheckDumpRange(const std::string& address, const std::string& size) {
    DumpRange range;
    const DumpRangeError error = ParseDumpRange(address, size, &range);
    const std::optional<HexField> a = PlainReading(address);
    const std::optional<HexField> s = PlainReading(size);
    if (!a) return FUZZ_CHECK(error == DumpRangeError::Address);
    if (!s || s->value > kMaxDumpSize) return FUZZ_CHECK(error == DumpRangeError::Size);
    FUZZ_CHECK(error == DumpRangeError::None);
    FUZZ_CHECK(range.address == a->value && range.size == s->value);
}

void CheckSearchText(const std::string& text) {
    const std::string box = SearchBoxText(text);
    FUZZ_CHECK(text.compare(0, box.size(), box) == 0);
    const SearchPattern pattern = SearchPatternOf(box, false);
    FUZZ_CHECK(pattern.valid && pattern.bytes.size() <= box.size());
    FUZZ_CHECK(pattern.bytes.size() <= kSearchTextLimit);
}

// An address read back from its printed form is the same address.
void CheckFunctionAddress(const std::string& text) {
    for (AddressDigits digits : {AddressDigits::Printed, AddressDigits::Typed}) {
        const std::optional<FunctionAddress> address = ParseFunctionAddress(text, digits);
        if (!address) continue;
        FUZZ_CHECK(address->InRange());
        for (bool withSegment : {false, true})
            FUZZ_CHECK(ParseFunctionAddress(address->ToString(withSegment),
                                            AddressDigits::Printed) == address);
    }
    FunctionAddress function;
    const std::string problem = ParseFunctionArgument(text, &function);
    FUZZ_CHECK(!problem.empty() || function.InRange());
}

void CheckHexBytes(const std::string& text) {
    std::vector<uint8_t> bytes;
    std::string error;
    if (!ParseHexBytes(text, &bytes, &error)) return FUZZ_CHECK(!error.empty());
    const size_t digits =
        std::count_if(text.begin(), text.end(), [](char c) { return HexDigitValue(c) >= 0; });
    FUZZ_CHECK(bytes.size() * 2 == digits);
}

// The field the two choice bytes name, counting every field of the table.
const pcidef::FieldDef* ChosenField(unsigned choice) {
    const auto structures = pcidef::AllStructureDefs();
    const pcidef::StructureDef& structure = *structures[choice % structures.size()];
    choice /= static_cast<unsigned>(structures.size());
    size_t count = 0;
    for (const pcidef::RegisterDef& reg : structure.registers) count += reg.fields.size();
    if (count == 0) return nullptr;
    size_t index = choice % count;
    for (const pcidef::RegisterDef& reg : structure.registers) {
        if (index < reg.fields.size()) return &reg.fields[index];
        index -= reg.fields.size();
    }
    return nullptr;
}

void CheckFieldValue(unsigned choice, const std::string& text) {
    const pcidef::FieldDef* field = ChosenField(choice);
    if (!field) return;
    const pcidef::ParsedValue parsed = pcidef::ParseFieldValue(*field, text);
    if (!parsed.ok) return FUZZ_CHECK(!parsed.error.empty());
    FUZZ_CHECK((parsed.value & ~(field->Mask() >> field->low)) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    if (size < 2) return 0;
    const unsigned choice = data[0] | unsigned{data[1]} << 8;
    const std::string text(reinterpret_cast<const char*>(data) + 2, size - 2);
    // Where two fields go together, a line break parts them.
    const size_t split = std::min(text.find('\n'), text.size());
    const std::string first = text.substr(0, split);
    const std::string second = split < text.size() ? text.substr(split + 1) : std::string();
    CheckHexField(text);
    CheckDumpRange(first, second);
    CheckSearchText(text);
    CheckFunctionAddress(text);
    CheckHexBytes(text);
    CheckFieldValue(choice, text);
    return 0;
}
