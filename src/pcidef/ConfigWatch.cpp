// SPDX-License-Identifier: MIT
#include "pcidef/ConfigWatch.h"

#include <algorithm>

#include "pcidef/ConfigDecoder.h"
#include "pcidef/ConfigRegisters.h"
#include "pcidef/FieldName.h"

namespace pcidef {
namespace {

bool DwordRead(std::span<const uint8_t> readable, size_t dword) {
    return readable.empty() || (dword < readable.size() && readable[dword] != 0);
}

std::optional<uint32_t> DwordAt(std::span<const uint8_t> bytes, std::span<const uint8_t> readable,
                                size_t dword) {
    if (4 * dword + 4 > bytes.size() || !DwordRead(readable, dword)) return std::nullopt;
    const uint8_t* at = bytes.data() + 4 * dword;
    return uint32_t{at[0]} | uint32_t{at[1]} << 8 | uint32_t{at[2]} << 16 | uint32_t{at[3]} << 24;
}

// The register's bits as they lie in its dword.
uint32_t RegisterBits(const DecodedRegister& reg, uint32_t dword) {
    const uint32_t shift = 8 * (reg.offset % 4u);
    const uint32_t mask = reg.Width() >= 4 ? 0xFFFFFFFFu : (1u << (8 * reg.Width())) - 1u;
    return (dword >> shift) & mask;
}

}  // namespace

bool FunctionGone(std::span<const uint8_t> bytes, std::span<const uint8_t> readableDwords) {
    const std::optional<uint32_t> identity = DwordAt(bytes, readableDwords, 0);
    return !identity || *identity == pcireg::kAbsentDword;
}

std::vector<std::string> ChangedFields(const DecodedFunction& decoded, uint32_t offset,
                                       uint32_t before, uint32_t after) {
    std::vector<std::string> names;
    for (const DecodedRegister* reg : decoded.RegistersAt(offset)) {
        const uint32_t old = RegisterBits(*reg, before);
        const uint32_t now = RegisterBits(*reg, after);
        if (old == now) continue;
        uint32_t covered = 0;
        for (const FieldDef& field : reg->def->fields) {
            covered |= field.Mask();
            if ((old & field.Mask()) != (now & field.Mask()))
                names.push_back(FullName(decoded, *reg, &field));
        }
        if (((old ^ now) & ~covered) != 0) names.push_back(FullName(decoded, *reg));
    }
    return names;
}

ConfigWatch::Step ConfigWatch::Next(std::span<const uint8_t> bytes,
                                    std::span<const uint8_t> readableDwords) {
    Step step;
    if (gone_) return step;
    if (FunctionGone(bytes, readableDwords)) {
        gone_ = true;
        step.gone = true;
        return step;
    }
    if (started_) step.changes = Compare(bytes, readableDwords);
    Keep(bytes, readableDwords);
    started_ = true;
    return step;
}

std::vector<DwordChange> ConfigWatch::Compare(std::span<const uint8_t> bytes,
                                              std::span<const uint8_t> readable) const {
    std::vector<DwordChange> changes;
    const size_t dwords = std::min(bytes.size(), bytes_.size()) / 4;
    for (size_t i = 0; i < dwords; ++i) {
        DwordChange change{static_cast<uint32_t>(4 * i),
                           DwordAt(bytes_, readable_, i),
                           DwordAt(bytes, readable, i),
                           {}};
        if (change.before != change.after) changes.push_back(std::move(change));
    }
    if (changes.empty()) return changes;
    // Named as the new read lays the space out.
    const DecodedFunction decoded = Decode(bytes, readable);
    for (DwordChange& change : changes) {
        if (change.before && change.after)
            change.fields = ChangedFields(decoded, change.offset, *change.before, *change.after);
    }
    return changes;
}

void ConfigWatch::Keep(std::span<const uint8_t> bytes, std::span<const uint8_t> readable) {
    bytes_.assign(bytes.begin(), bytes.end());
    readable_.assign(bytes.size() / 4, 1);
    if (!readable.empty()) {
        for (size_t i = 0; i < readable_.size(); ++i) readable_[i] = DwordRead(readable, i);
    }
}

}  // namespace pcidef
