// SPDX-License-Identifier: MIT
#include "pcidef/FieldValueParse.h"

#include <algorithm>
#include <optional>

#include "pcidef/FieldText.h"
#include "pcidef/NumberText.h"
#include "pcidef/StringPrintf.h"

namespace pcidef {
namespace {

// Lower case without blanks, the byte unit spelled "b".
std::string Normalise(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == ' ' || c == '\t') continue;
        out += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    for (std::string_view unit : {"bytes", "byte"}) {
        if (out.ends_with(unit)) {
            out.resize(out.size() - unit.size());
            out += 'b';
            break;
        }
    }
    return out;
}

uint32_t Largest(const FieldDef& field) {
    return field.Mask() >> field.low;
}

// The raw values whose texts can be listed: enumerations and powers of two.
uint32_t ListedLimit(const FieldDef& field) {
    const Meaning& meaning = *field.meaning;
    switch (meaning.kind) {
        case MeaningKind::Flag:
            return 1;
        case MeaningKind::Pow2:
        case MeaningKind::Pow2Size:
            return std::min<uint32_t>(meaning.limit, Largest(field));
        default:
            return 0;
    }
}

std::optional<uint32_t> MatchText(const FieldDef& field, const std::string& wanted) {
    const Meaning& meaning = *field.meaning;
    if (meaning.kind == MeaningKind::Enum) {
        for (const ValueText& entry : meaning.texts) {
            if (Normalise(entry.text) == wanted) return entry.value;
        }
        return std::nullopt;
    }
    const uint32_t limit = ListedLimit(field);
    for (uint32_t value = 0; limit > 0 && value <= limit; ++value) {
        if (Normalise(FieldText(field, value)) == wanted) return value;
    }
    return std::nullopt;
}

bool NumericTexts(const Meaning& meaning) {
    return meaning.kind == MeaningKind::Enum &&
           std::any_of(meaning.texts.begin(), meaning.texts.end(), [](const ValueText& entry) {
               return !entry.text.empty() && entry.text[0] >= '0' && entry.text[0] <= '9';
           });
}

std::string_view LeadingNumber(std::string_view text) {
    size_t end = 0;
    while (end < text.size() && ((text[end] >= '0' && text[end] <= '9') || text[end] == '.')) ++end;
    return text.substr(0, end);
}

std::string Takes(const FieldDef& field) {
    const Meaning& meaning = *field.meaning;
    if (meaning.kind == MeaningKind::Enum) {
        std::string list;
        for (const ValueText& entry : meaning.texts) {
            if (entry.value > Largest(field)) continue;
            if (!list.empty()) list += ", ";
            list += entry.text;
        }
        return list;
    }
    if (meaning.kind == MeaningKind::Flag) return "yes or no";
    if (const uint32_t limit = ListedLimit(field))
        return FieldText(field, 0) + " to " + FieldText(field, limit);
    if (meaning.kind == MeaningKind::PlusOne)
        return FieldText(field, 0) + " to " + FieldText(field, Largest(field));
    return StringPrintf("0 to 0x%X", Largest(field));
}

ParsedValue Refuse(std::string error) {
    return {false, 0, std::move(error)};
}

ParsedValue Fitting(const FieldDef& field, uint64_t value, std::string_view text) {
    if (value > Largest(field)) {
        return Refuse(StringPrintf("%.*s does not fit in %u bit%s", static_cast<int>(text.size()),
                                   text.data(), field.Width(), field.Width() == 1 ? "" : "s"));
    }
    return {true, static_cast<uint32_t>(value), {}};
}

ParsedValue AddressValue(const FieldDef& field, uint64_t address, std::string_view text) {
    const uint64_t unit = field.meaning->base << field.low;
    if (address % unit != 0) {
        return Refuse(StringPrintf("%.*s is not a multiple of 0x%llX",
                                   static_cast<int>(text.size()), text.data(),
                                   static_cast<unsigned long long>(unit)));
    }
    return Fitting(field, address / unit, text);
}

// A decimal number read as the quantity the field shows.
ParsedValue Quantity(const FieldDef& field, std::string_view digits, std::string_view text) {
    const Meaning& meaning = *field.meaning;
    auto refuse = [&] {
        return Refuse(StringPrintf("%.*s is not a value of this field, which takes %s",
                                   static_cast<int>(text.size()), text.data(),
                                   Takes(field).c_str()));
    };
    if (NumericTexts(meaning)) {
        std::optional<uint32_t> found;
        for (const ValueText& entry : meaning.texts) {
            if (LeadingNumber(entry.text) != digits || entry.value > Largest(field)) continue;
            if (found) return refuse();
            found = entry.value;
        }
        return found ? ParsedValue{true, *found, {}} : refuse();
    }
    auto number = ParseDigits(digits, 10);
    if (!number) return refuse();
    switch (meaning.kind) {
        case MeaningKind::Pow2:
        case MeaningKind::Pow2Size:
            for (uint32_t value = 0; value <= ListedLimit(field); ++value) {
                if ((meaning.base << value) == *number) return {true, value, {}};
            }
            return refuse();
        case MeaningKind::PlusOne:
            return *number == 0 ? refuse() : Fitting(field, *number - 1, text);
        case MeaningKind::Address:
            return AddressValue(field, *number, text);
        default:
            return Fitting(field, *number, text);
    }
}

}  // namespace

ParsedValue ParseFieldValue(const FieldDef& field, std::string_view text) {
    if (text.empty()) return Refuse("no value given");
    if (text.starts_with("0x") || text.starts_with("0X")) {
        auto number = ParseDigits(text.substr(2), 16);
        if (!number) {
            return Refuse(StringPrintf("%.*s is not a hex number", static_cast<int>(text.size()),
                                       text.data()));
        }
        if (field.meaning->kind == MeaningKind::Address) return AddressValue(field, *number, text);
        return Fitting(field, *number, text);
    }
    std::string wanted = Normalise(text);
    if (auto value = MatchText(field, wanted)) return Fitting(field, *value, text);
    for (const std::string& unit :
         {Normalise(field.meaning->unit), Normalise(SingularUnit(field.meaning->unit))}) {
        if (!unit.empty() && wanted.size() > unit.size() && wanted.ends_with(unit)) {
            wanted.resize(wanted.size() - unit.size());
            break;
        }
    }
    if (!wanted.empty() && LeadingNumber(wanted) == wanted) return Quantity(field, wanted, text);
    return Refuse(
        StringPrintf("'%.*s' is neither a number nor a value of this field, which takes %s",
                     static_cast<int>(text.size()), text.data(), Takes(field).c_str()));
}

}  // namespace pcidef
