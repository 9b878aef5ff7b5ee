// SPDX-License-Identifier: MIT
#include "pcidef/DecodedFunction.h"

#include <algorithm>

#include "pcidef/StringPrintf.h"

namespace pcidef {

std::string DecodedRegister::Name() const {
    std::string name(def->name);
    if (index != kSingle) name += std::to_string(index);
    return name;
}

bool DecodedRegister::NameIs(std::string_view name) const {
    if (!name.starts_with(def->name)) return false;
    name.remove_prefix(def->name.size());
    if (index == kSingle) return name.empty();
    // The copy number as Name() writes it: decimal, no leading zeros.
    if (name.empty() || name.size() > 5 || (name[0] == '0' && name.size() > 1)) return false;
    uint32_t number = 0;
    for (char c : name) {
        if (c < '0' || c > '9') return false;
        number = number * 10 + static_cast<uint32_t>(c - '0');
    }
    return number == index;
}

std::string DecodedRegister::DisplayName() const {
    std::string name(def->display);
    if (index != kSingle) name += " " + std::to_string(index);
    return name;
}

std::string DecodedStructure::Key() const {
    if (!def->key.empty() || IsHeader()) return std::string(def->key);
    return Extended() ? StringPrintf("ECAP%04X", id) : StringPrintf("CAP%02X", id);
}

std::string DecodedStructure::Prefix() const {
    if (IsHeader()) return {};
    return ambiguous ? StringPrintf("%s@%X", Key().c_str(), offset) : Key();
}

std::vector<const DecodedRegister*> DecodedFunction::RegistersAt(uint32_t offset) const {
    const uint32_t dword = offset & ~3u;
    auto first = std::partition_point(byOffset_.begin(), byOffset_.end(),
                                      [&](uint16_t i) { return registers_[i].offset < dword; });
    std::vector<const DecodedRegister*> found;
    for (auto it = first; it != byOffset_.end() && registers_[*it].offset < dword + 4; ++it)
        found.push_back(&registers_[*it]);
    return found;
}

}  // namespace pcidef
