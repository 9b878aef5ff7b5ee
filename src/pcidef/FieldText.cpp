// SPDX-License-Identifier: MIT
#include "pcidef/FieldText.h"

#include <bit>

#include "pcidef/StringPrintf.h"

namespace pcidef {

std::string SingularUnit(std::string_view unit) {
    std::string one(unit);
    if (one.ends_with("ies")) {
        one.replace(one.size() - 3, 3, "y");
    } else if (one.ends_with("s") && !one.ends_with("us") && !one.ends_with("ns")) {
        one.pop_back();
    }
    return one;
}

namespace {

constexpr std::string_view kNotReadable = "not readable";

std::string WithUnit(uint64_t number, std::string_view unit) {
    std::string text = std::to_string(number);
    if (!unit.empty()) {
        text += ' ';
        text += number == 1 ? SingularUnit(unit) : std::string(unit);
    }
    return text;
}

std::string Reserved(uint32_t value) {
    return StringPrintf("reserved (%u)", value);
}

// Sizes in the largest binary unit that divides them: "4 KB", "256 MB".
std::string SizeText(uint64_t bytes) {
    static constexpr const char* kUnits[] = {"bytes", "KB", "MB", "GB", "TB", "PB", "EB"};
    int unit = 0;
    while (bytes >= 1024 && bytes % 1024 == 0 && unit < 6) {
        bytes /= 1024;
        ++unit;
    }
    return WithUnit(bytes, kUnits[unit]);
}

const ValueText* FindText(const Meaning& meaning, uint32_t value) {
    for (const ValueText& entry : meaning.texts) {
        if (entry.value == value) return &entry;
    }
    return nullptr;
}

std::string BitListText(const Meaning& meaning, uint32_t value) {
    std::string text;
    for (uint32_t bit = 0; bit < 32; ++bit) {
        if (!(value >> bit & 1u)) continue;
        if (!text.empty()) text += ' ';
        const ValueText* entry = FindText(meaning, bit);
        text += entry ? std::string(entry->text) : StringPrintf("bit%u", bit);
    }
    return text.empty() ? "none" : text;
}

std::string AddressText(const FieldDef& field, uint32_t value) {
    const Meaning& meaning = *field.meaning;
    const uint64_t address = (uint64_t{value} << field.low) * meaning.base;
    const int bits = field.high + 1 + std::countr_zero(meaning.base);
    return StringPrintf("0x%0*llX", (bits + 3) / 4, static_cast<unsigned long long>(address));
}

}  // namespace

std::string FieldText(const FieldDef& field, uint32_t value) {
    const Meaning& meaning = *field.meaning;
    switch (meaning.kind) {
        case MeaningKind::Flag:
            return value ? "yes" : "no";
        case MeaningKind::Hex:
            return StringPrintf("0x%0*X", static_cast<int>((field.Width() + 3) / 4), value);
        case MeaningKind::Decimal:
            return WithUnit(value, meaning.unit);
        case MeaningKind::Enum: {
            const ValueText* entry = FindText(meaning, value);
            return entry ? std::string(entry->text) : Reserved(value);
        }
        case MeaningKind::Pow2:
            return value > meaning.limit ? Reserved(value)
                                         : WithUnit(meaning.base << value, meaning.unit);
        case MeaningKind::Pow2Size:
            return value > meaning.limit ? Reserved(value) : SizeText(meaning.base << value);
        case MeaningKind::PlusOne:
            return WithUnit(uint64_t{value} + 1, meaning.unit);
        case MeaningKind::BitList:
            return BitListText(meaning, value);
        case MeaningKind::Address:
            return AddressText(field, value);
    }
    return {};
}

bool SelfDescribing(const FieldDef& field) {
    switch (field.meaning->kind) {
        case MeaningKind::Enum:
        case MeaningKind::BitList:
        case MeaningKind::Address:
        case MeaningKind::PlusOne:
            return true;
        default:
            return false;
    }
}

std::string RegisterSummary(const DecodedRegister& reg) {
    if (!reg.readable) return std::string(kNotReadable);
    const auto fields = reg.def->fields;
    if (fields.empty())
        return StringPrintf("0x%0*X", static_cast<int>(reg.def->width * 2), reg.value);
    bool marked = false;
    for (const FieldDef& field : fields) marked = marked || field.summary;
    std::string text;
    for (const FieldDef& field : fields) {
        if (marked ? !field.summary : field.access == Access::RsvdP) continue;
        const uint32_t value = reg.FieldValue(field);
        std::string part;
        if (field.meaning->kind == MeaningKind::Flag) {
            if (value) part = field.name.empty() ? "yes" : std::string(field.name);
        } else if (marked || value != 0 || fields.size() == 1) {
            // Beside other fields a text needs its name, unless marked as telling itself.
            part = FieldText(field, value);
            if (!field.name.empty() && !(marked && SelfDescribing(field)))
                part = std::string(field.name) + "=" + part;
        }
        if (part.empty()) continue;
        if (!text.empty()) text += ' ';
        text += part;
    }
    return text.empty() ? "none" : text;
}

}  // namespace pcidef
