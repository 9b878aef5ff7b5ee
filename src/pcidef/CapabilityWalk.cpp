// SPDX-License-Identifier: MIT
#include "pcidef/CapabilityWalk.h"

#include <algorithm>
#include <bitset>

#include "pcidef/ConfigRegisters.h"
#include "pcidef/StringPrintf.h"

namespace pcidef {

// How one list's pointers read: where they may lead, and how notes name them.
struct CapabilityWalk::List {
    const char* name;
    int digits;           // of the offsets in notes
    uint32_t lowest;      // pointers below lead into what is not the list's
    const char* below;    // what such a pointer does
    uint32_t end;         // of the bytes the list may use
    uint32_t headerSize;  // of a capability's header
    uint32_t readSize;    // of the bytes read
};

namespace {

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

void CapabilityWalk::Note(const List& list, const std::string& text) {
    notes.push_back(std::string(list.name) + ": " + text);
}

// Checks the pointer `at` read at `from`. Hardware ignores a pointer's two
// low bits, and so does the walk; anything else amiss ends the list.
bool CapabilityWalk::Follow(const List& list, uint32_t from, uint32_t& at, const Seen& seen) {
    auto hex = [&](uint32_t value) { return StringPrintf("0x%0*X", list.digits, value); };
    const std::string pointer = "pointer " + hex(at) + " at " + hex(from);
    if (at & 3) {
        Note(list, pointer + " is not dword-aligned; read as " + hex(at & ~3u));
        at &= ~3u;
    }
    if (at < list.lowest) {
        Note(list, pointer + " " + list.below + "; the list ends");
        return false;
    }
    if (at + list.headerSize > list.end) {
        Note(list, pointer + StringPrintf(" points past the 0x%X bytes read; the list ends",
                                          list.readSize));
        return false;
    }
    if (seen[at / 4]) {
        Note(list, pointer + " leads back to a capability already listed; the list ends");
        return false;
    }
    return true;
}

void CapabilityWalk::WalkStandard(const ConfigView& config) {
    if (config.Size() < pcireg::kHeaderSize) return;
    const List list{"capability list",
                    2,
                    pcireg::kHeaderSize,
                    "points into the header",
                    std::min(config.Size(), pcireg::kConfigSize),
                    2,
                    config.Size()};
    auto status = config.Read(pcireg::kStatus, 2);
    if (!status) {
        Note(list, "the Status register could not be read");
        return;
    }
    if (!(*status & pcireg::kStatusCapabilityList)) return;

    Seen seen;
    uint32_t from = ListPointerOffset(config);
    for (auto pointer = config.Read(from, 1); pointer; pointer = config.Read(from, 1)) {
        uint32_t at = *pointer;
        if (at == 0 || !Follow(list, from, at, seen)) return;
        // Distinct dwords run out first; the bound stays should that change.
        if (entries.size() >= kMaxStandard) {
            Note(list, StringPrintf("more than %zu capabilities; the list ends at 0x%02X",
                                    kMaxStandard, from));
            return;
        }
        auto id = config.Read(at, 1);
        if (!id) {
            Note(list,
                 StringPrintf("the capability at 0x%02X could not be read; the list ends", at));
            return;
        }
        seen[at / 4] = true;
        entries.push_back(
            {Space::Standard, static_cast<uint16_t>(*id), 0, static_cast<uint16_t>(at)});
        from = at + 1;
    }
    Note(list, StringPrintf("the pointer at 0x%02X could not be read; the list ends", from));
}

void CapabilityWalk::WalkExtended(const ConfigView& config) {
    if (config.Size() < pcireg::kExtendedConfigSize) return;
    const List list{"extended capability list",
                    3,
                    pcireg::kExtendedCapabilityStart,
                    "points below 0x100",
                    std::min(config.Size(), pcireg::kExtendedConfigSize),
                    4,
                    config.Size()};
    const size_t standardCount = entries.size();
    Seen seen;
    uint32_t at = pcireg::kExtendedCapabilityStart;
    uint32_t from = 0;  // where the pointer to `at` was; 0 for the list's start
    while (true) {
        auto header = config.Read(at, 4);
        if (!header) {
            Note(list,
                 StringPrintf("the capability at 0x%03X could not be read; the list ends", at));
            return;
        }
        // No list at all reads as zero, or as all ones where the space is not there.
        if (*header == 0) return;
        if (*header == pcireg::kAbsentDword) {
            if (from != 0)
                Note(list,
                     StringPrintf("the capability at 0x%03X reads 0xFFFFFFFF; the list ends", at));
            return;
        }
        if (entries.size() - standardCount >= kMaxExtended) {
            Note(list, StringPrintf("more than %zu capabilities; the list ends at 0x%03X",
                                    kMaxExtended, at));
            return;
        }
        seen[at / 4] = true;
        const uint16_t id = *header & 0xFFFF;
        if (id != 0) {
            entries.push_back({Space::Extended, id, static_cast<uint8_t>((*header >> 16) & 0xF),
                               static_cast<uint16_t>(at)});
        }
        from = at;
        at = *header >> 20;
        if (at == 0 || !Follow(list, from, at, seen)) return;
    }
}

}  // namespace pcidef
