// SPDX-License-Identifier: MIT
#include "pcidef/ConfigDecoder.h"

#include <algorithm>
#include <numeric>
#include <tuple>

#include "pcidef/ConfigRegisters.h"
#include "pcidef/ConfigSpaceTable.h"
#include "pcidef/StringPrintf.h"

namespace pcidef {
namespace {

constexpr uint16_t kExpressId = 0x10;
constexpr uint32_t kExpressFlags = 0x02;
constexpr uint32_t kExpressLinkCapabilities = 0x0C;

constexpr char kNextStarts[] = "the next capability starts there";
constexpr char kStandardEnds[] = "the end of the standard capabilities";
constexpr char kBytesEnd[] = "the end of the bytes read";

uint32_t Bits(uint32_t value, uint8_t low, uint8_t high) {
    uint32_t width = high - low + 1u;
    uint32_t mask = width >= 32 ? 0xFFFFFFFFu : (1u << width) - 1u;
    return (value >> low) & mask;
}

}  // namespace

DecodedFunction Decode(std::span<const uint8_t> bytes, std::span<const uint8_t> readableDwords) {
    return ConfigDecoder::Run(ConfigView(bytes, readableDwords));
}

DecodedFunction Decode(const uint8_t* bytes, size_t size) {
    return Decode(std::span<const uint8_t>(bytes, bytes ? size : 0));
}

DecodedFunction ConfigDecoder::Run(const ConfigView& config) {
    ConfigDecoder decoder(config);
    DecodedFunction& result = decoder.result_;
    result.size_ = config.Size();
    CapabilityWalk walk = CapabilityWalk::Of(config);
    result.structures_.reserve(walk.entries.size() + 1);
    result.registers_.reserve(128);
    decoder.ReadExpressContext(walk);
    result.notes_ = std::move(walk.notes);

    auto headerType = config.Read(pcireg::kHeaderType, 1);
    const StructureDef& header = HeaderDef(headerType.value_or(pcireg::kHeaderTypeMask));
    decoder.AddStructure(header, header.id, 0, 0, std::min(config.Size(), pcireg::kHeaderSize),
                         kBytesEnd);

    // A capability ends where the next one of its list begins.
    std::vector<uint16_t> starts;
    for (const CapabilityEntry& entry : walk.entries) starts.push_back(entry.offset);
    std::sort(starts.begin(), starts.end());
    const uint32_t standardEnd = std::min(config.Size(), pcireg::kConfigSize);
    const uint32_t extendedEnd = std::min(config.Size(), pcireg::kExtendedConfigSize);
    for (const CapabilityEntry& entry : walk.entries) {
        const bool extended = entry.space == Space::Extended;
        uint32_t end = extended ? extendedEnd : standardEnd;
        const char* reason = extended || end < pcireg::kConfigSize ? kBytesEnd : kStandardEnds;
        auto next = std::upper_bound(starts.begin(), starts.end(), entry.offset);
        if (next != starts.end() && *next < end) {
            end = *next;
            reason = kNextStarts;
        }
        const StructureDef* def = FindCapabilityDef(entry.space, entry.id);
        decoder.AddStructure(def ? *def : UnknownCapabilityDef(entry.space), entry.id,
                             entry.version, entry.offset, end, reason);
    }
    decoder.MarkAmbiguousKeys();
    decoder.IndexByOffset();
    return std::move(decoder.result_);
}

// Registers of other capabilities depend on the PCI Express port type and
// on the widest link.
void ConfigDecoder::ReadExpressContext(const CapabilityWalk& walk) {
    for (const CapabilityEntry& entry : walk.entries) {
        if (entry.space != Space::Standard || entry.id != kExpressId) continue;
        if (auto flags = config_.Read(entry.offset + kExpressFlags, 2))
            portType_ = static_cast<int>(Bits(*flags, 4, 7));
        if (auto link = config_.Read(entry.offset + kExpressLinkCapabilities, 4))
            linkWidth_ = Bits(*link, 4, 9);
        return;
    }
}

void ConfigDecoder::AddStructure(const StructureDef& def, uint16_t id, uint8_t version,
                                 uint32_t offset, uint32_t end, const char* endReason) {
    const auto index = static_cast<uint16_t>(result_.structures_.size());
    const auto first = static_cast<uint32_t>(result_.registers_.size());
    result_.structures_.push_back({&def, id, version, static_cast<uint16_t>(offset),
                                   static_cast<uint16_t>(end), false, first, 0});
    current_ = &def;
    bool cut = false;
    if (def.space != Space::Header) AddRegisters(CapabilityHeaderDef(def.space), offset, end, cut);
    for (const RegisterDef& reg : def.registers) AddRegisters(reg, offset, end, cut);
    auto begin = result_.registers_.begin() + first;
    std::stable_sort(
        begin, result_.registers_.end(),
        [](const DecodedRegister& a, const DecodedRegister& b) { return a.offset < b.offset; });
    for (auto it = begin; it != result_.registers_.end(); ++it) it->structure = index;
    result_.structures_.back().count = static_cast<uint32_t>(result_.registers_.size()) - first;
    if (cut) {
        result_.notes_.push_back(StringPrintf("%.*s at 0x%X: registers past 0x%X are cut (%s)",
                                              static_cast<int>(def.display.size()),
                                              def.display.data(), offset, end, endReason));
    }
}

void ConfigDecoder::AddRegisters(const RegisterDef& def, uint32_t base, uint32_t end, bool& cut) {
    if (!Holds(def.when, base, end) || !Holds(def.also, base, end)) return;
    const uint32_t copies = Copies(def, base, end);
    for (uint32_t i = 0; i < copies; ++i) {
        const uint32_t offset = base + def.offset + i * def.count.stride;
        if (offset + def.width > end) {
            // A plain dword count is a guess; only a layout the bytes ask for is cut.
            cut = cut || def.count.kind != CountKind::Nominal;
            return;
        }
        auto value = config_.Read(offset, def.width);
        const auto index = def.Repeated() ? static_cast<uint16_t>(def.count.firstIndex + i)
                                          : DecodedRegister::kSingle;
        result_.registers_.push_back(
            {&def, static_cast<uint16_t>(offset), 0, index, value.has_value(), value.value_or(0)});
    }
}

std::optional<uint32_t> ConfigDecoder::FieldAt(uint32_t base, uint32_t end, uint16_t offset,
                                               uint8_t low, uint8_t high) const {
    const uint32_t width = high / 8u + 1u;
    if (base + offset + width > end) return std::nullopt;
    auto value = config_.Read(base + offset, width);
    if (!value) return std::nullopt;
    return Bits(*value, low, high);
}

bool ConfigDecoder::Holds(const Condition& condition, uint32_t base, uint32_t end) const {
    auto in = [&](uint32_t value) { return value < 32 && (condition.values >> value & 1u); };
    switch (condition.kind) {
        case ConditionKind::Always:
            return true;
        case ConditionKind::Field: {
            auto value = FieldAt(base, end, condition.offset, condition.low, condition.high);
            return value && in(*value);
        }
        case ConditionKind::PortType:
            return portType_ >= 0 && in(static_cast<uint32_t>(portType_));
        case ConditionKind::BarUpperHalf:
            return in(IsUpperHalfBar(condition.offset) ? 1 : 0);
    }
    return false;
}

uint32_t ConfigDecoder::Copies(const RegisterDef& def, uint32_t base, uint32_t end) const {
    const Count& count = def.count;
    int64_t copies = 0;
    auto field = [&] { return FieldAt(base, end, count.offset, count.low, count.high); };
    switch (count.kind) {
        case CountKind::Once:
            return 1;
        case CountKind::Fixed:
            copies = count.max;
            break;
        case CountKind::Field:
            if (auto value = field()) copies = int64_t{*value} + count.add;
            break;
        case CountKind::LengthBytes:
            if (auto length = field(); length && *length > def.offset)
                copies = (*length - def.offset + count.stride - 1) / count.stride;
            break;
        case CountKind::BitsAsDwords:
            if (auto bits = field()) copies = ((*bits == 0 ? 256 : *bits) + 31) / 32;
            break;
        case CountKind::LinkWidth:
            copies = linkWidth_;
            break;
        case CountKind::Nominal:
            if (current_->nominalSize > def.offset)
                copies = (current_->nominalSize - def.offset + count.stride - 1) / count.stride;
            break;
    }
    return static_cast<uint32_t>(std::clamp<int64_t>(copies, 0, count.max));
}

// BARs pair up from BAR0 on: a 64-bit memory BAR takes the slot after it.
bool ConfigDecoder::IsUpperHalfBar(uint32_t offset) const {
    uint32_t at = pcireg::kBar0;
    while (at < offset) {
        auto bar = config_.Read(at, 4);
        const bool wide = bar && (*bar & 0x7u) == 0x4u;
        at += wide ? 8 : 4;
    }
    return at > offset;
}

void ConfigDecoder::MarkAmbiguousKeys() {
    auto& structures = result_.structures_;
    std::vector<uint32_t> order(structures.size());
    std::iota(order.begin(), order.end(), 0u);
    auto identity = [&](uint32_t i) {
        const DecodedStructure& s = structures[i];
        return std::tuple(reinterpret_cast<uintptr_t>(s.def), s.def->key.empty() ? s.id : 0);
    };
    std::sort(order.begin(), order.end(),
              [&](uint32_t a, uint32_t b) { return identity(a) < identity(b); });
    for (size_t i = 1; i < order.size(); ++i) {
        if (identity(order[i]) == identity(order[i - 1]))
            structures[order[i]].ambiguous = structures[order[i - 1]].ambiguous = true;
    }
}

void ConfigDecoder::IndexByOffset() {
    auto& registers = result_.registers_;
    auto& index = result_.byOffset_;
    index.resize(registers.size());
    std::iota(index.begin(), index.end(), uint16_t{0});
    std::stable_sort(index.begin(), index.end(), [&](uint16_t a, uint16_t b) {
        return registers[a].offset < registers[b].offset;
    });
}

}  // namespace pcidef
