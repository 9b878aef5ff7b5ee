#include "pcidef/CapabilityWalk.h"

#include <algorithm>
#include <bitset>

#include "pcidef/ConfigRegisters.h"
#include "pcidef/StringPrintf.h"

namespace pcidef {
namespace {

constexpr char kStandardList[] = "capability list";
constexpr char kExtendedList[] = "extended capability list";

// Where the standard list starts: CardBus bridges keep the pointer elsewhere.
uint32_t ListPointerOffset(const ConfigView& config) {
    auto type = config.Read(pcireg::kHeaderType, 1);
    bool cardbus = type && (*type & pcireg::kHeaderTypeMask) == pcireg::kHeaderTypeCardbus;
    return cardbus ? pcireg::kCardbusCapabilityPointer : pcireg::kCapabilityPointer;
}

}  // namespace

CapabilityWalk CapabilityWalk::Of(const ConfigView& config) {
    CapabilityWalk walk;
    walk.WalkStandard(config);
    walk.WalkExtended(config);
    return walk;
}

void CapabilityWalk::WalkStandard(const ConfigView& config) {
    if (config.Size() < pcireg::kHeaderSize) return;
    auto status = config.Read(pcireg::kStatus, 2);
    if (!status) {
        notes.push_back(StringPrintf("%s: the Status register could not be read", kStandardList));
        return;
    }
    if (!(*status & pcireg::kStatusCapabilityList)) return;

    const uint32_t end = std::min(config.Size(), pcireg::kConfigSize);
    std::bitset<pcireg::kConfigSize / 4> seen;
    uint32_t from = ListPointerOffset(config);
    auto pointer = config.Read(from, 1);
    while (true) {
        if (!pointer) {
            notes.push_back(StringPrintf(
                "%s: the pointer at 0x%02X could not be read; the list ends", kStandardList, from));
            return;
        }
        uint32_t at = *pointer;
        if (at == 0) return;
        if (at & 3) {
            // Hardware ignores the two low bits of a capability pointer.
            notes.push_back(
                StringPrintf("%s: pointer 0x%02X at 0x%02X is not dword-aligned; read as 0x%02X",
                             kStandardList, at, from, at & ~3u));
            at &= ~3u;
        }
        if (at < pcireg::kHeaderSize) {
            notes.push_back(
                StringPrintf("%s: pointer 0x%02X at 0x%02X points into the header; the list ends",
                             kStandardList, at, from));
            return;
        }
        if (at + 2 > end) {
            notes.push_back(StringPrintf(
                "%s: pointer 0x%02X at 0x%02X points past the 0x%X bytes read; the list ends",
                kStandardList, at, from, config.Size()));
            return;
        }
        if (seen[at / 4]) {
            notes.push_back(
                StringPrintf("%s: pointer 0x%02X at 0x%02X leads back to a capability already "
                             "listed; the list ends",
                             kStandardList, at, from));
            return;
        }
        // Distinct dwords run out first; the bound stays should that change.
        if (entries.size() >= kMaxStandard) {
            notes.push_back(StringPrintf("%s: more than %zu capabilities; the list ends at 0x%02X",
                                         kStandardList, kMaxStandard, from));
            return;
        }
        auto id = config.Read(at, 1);
        if (!id) {
            notes.push_back(
                StringPrintf("%s: the capability at 0x%02X could not be read; the list ends",
                             kStandardList, at));
            return;
        }
        seen[at / 4] = true;
        entries.push_back(
            {Space::Standard, static_cast<uint16_t>(*id), 0, static_cast<uint16_t>(at)});
        from = at + 1;
        pointer = config.Read(from, 1);
    }
}

void CapabilityWalk::WalkExtended(const ConfigView& config) {
    if (config.Size() < pcireg::kExtendedConfigSize) return;
    const size_t standardCount = entries.size();
    std::bitset<pcireg::kExtendedConfigSize / 4> seen;
    uint32_t at = pcireg::kExtendedCapabilityStart;
    uint32_t from = 0;  // where the pointer to `at` was; 0 for the list's start
    while (true) {
        auto header = config.Read(at, 4);
        if (!header) {
            notes.push_back(
                StringPrintf("%s: the capability at 0x%03X could not be read; the list ends",
                             kExtendedList, at));
            return;
        }
        // No list at all reads as zero, or as all ones where the space is not there.
        if (*header == 0) return;
        if (*header == pcireg::kAbsentDword) {
            if (from != 0)
                notes.push_back(
                    StringPrintf("%s: the capability at 0x%03X reads 0xFFFFFFFF; the list ends",
                                 kExtendedList, at));
            return;
        }
        if (entries.size() - standardCount >= kMaxExtended) {
            notes.push_back(StringPrintf("%s: more than %zu capabilities; the list ends at 0x%03X",
                                         kExtendedList, kMaxExtended, at));
            return;
        }
        seen[at / 4] = true;
        const uint16_t id = *header & 0xFFFF;
        if (id != 0) {
            entries.push_back({Space::Extended, id, static_cast<uint8_t>((*header >> 16) & 0xF),
                               static_cast<uint16_t>(at)});
        }
        uint32_t next = *header >> 20;
        from = at;
        if (next == 0) return;
        if (next & 3) {
            notes.push_back(
                StringPrintf("%s: pointer 0x%03X at 0x%03X is not dword-aligned; read as 0x%03X",
                             kExtendedList, next, from, next & ~3u));
            next &= ~3u;
        }
        if (next < pcireg::kExtendedCapabilityStart) {
            notes.push_back(
                StringPrintf("%s: pointer 0x%03X at 0x%03X points below 0x100; the list ends",
                             kExtendedList, next, from));
            return;
        }
        if (next + 4 > config.Size()) {
            notes.push_back(StringPrintf(
                "%s: pointer 0x%03X at 0x%03X points past the 0x%X bytes read; the list ends",
                kExtendedList, next, from, config.Size()));
            return;
        }
        if (seen[next / 4]) {
            notes.push_back(
                StringPrintf("%s: pointer 0x%03X at 0x%03X leads back to a capability already "
                             "listed; the list ends",
                             kExtendedList, next, from));
            return;
        }
        at = next;
    }
}

}  // namespace pcidef
