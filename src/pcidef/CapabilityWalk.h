// SPDX-License-Identifier: MIT
#pragma once

#include <bitset>
#include <cstdint>
#include <string>
#include <vector>

#include "pcidef/ConfigSpaceDef.h"
#include "pcidef/ConfigView.h"

namespace pcidef {

struct CapabilityEntry {
    Space space;  // Standard or Extended
    uint16_t id;
    uint8_t version;  // extended capabilities only
    uint16_t offset;
};

// The capability lists of one function, in chain order: the standard list
// from the capabilities pointer when the Status register says there is one,
// the extended list from 0x100 when 4096 bytes were read. Whatever the bytes
// say, the walk ends: a loop, a pointer into the header, past the bytes read
// or at a dword that could not be read ends its list with a note saying
// what was wrong, and where.
struct CapabilityWalk {
    static constexpr size_t kMaxStandard = 48;
    static constexpr size_t kMaxExtended = 960;

    std::vector<CapabilityEntry> entries;
    std::vector<std::string> notes;

    static CapabilityWalk Of(const ConfigView& config);

  private:
    struct List;
    using Seen = std::bitset<1024>;

    void WalkStandard(const ConfigView& config);
    void WalkExtended(const ConfigView& config);
    bool Follow(const List& list, uint32_t from, uint32_t& at, const Seen& seen);
    void Note(const List& list, const std::string& text);
};

}  // namespace pcidef
