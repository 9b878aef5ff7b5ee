// SPDX-License-Identifier: MIT
#include "cli/FunctionSpaceAccess.h"

#include <algorithm>
#include <cstring>

#include "hw/DriverChannel.h"
#include "pci/ConfigSpaceRead.h"
#include "pci/PciBusScan.h"
#include "pcidef/ConfigMechanism.h"
#include "pcidef/ConfigRegisters.h"
#include "pcidef/ConfigWindow.h"

namespace {

// The first `size` bytes of a space, copied.
FunctionBytes SpaceOf(const ConfigSpaceView& space, uint32_t size) {
    return {{space.bytes, space.bytes + size}, {space.read, space.read + size / 4}};
}

// How much of a function's 4096 bytes the window shows: a PCI function's
// 256, a PCI Express one's 4096; the kind as the scan finds it, from the
// first 256 bytes.
uint32_t ListedSize(const ConfigSpaceView& space) {
    const bool express = PciFunctionKindOf([&](uint32_t offset, uint32_t* value) {
                             return ReadBlockDword(space.bytes, space.read, space.size, offset,
                                                   value);
                         }) == PCI_KIND_PCIE;
    return express ? pcireg::kExtendedConfigSize : pcireg::kConfigSize;
}

// Functions are read this many at a time: a few megabytes.
constexpr size_t kListedGroup = 256;

}  // namespace

uint32_t FunctionBytes::Dword(uint32_t offset) const {
    uint32_t value = 0;
    std::memcpy(&value, bytes.data() + (offset & ~3u), sizeof value);
    return value;
}

AccessedFunction FunctionSpaceAccess::Identify(const FunctionAddress& function) {
    return {function, IdentifyFunction(function)};
}

std::optional<uint32_t> FunctionSpaceAccess::WindowBase() const {
    return given_ ? given_ : last_;
}

uint32_t FunctionSpaceAccess::WindowAddress(const AccessedFunction& function) {
    uint32_t base = 0;
    if (given_) {
        base = *given_;
    } else {
        auto known = detected_.find(function.address.segment);
        if (known == detected_.end()) {
            known = detected_
                        .emplace(function.address.segment,
                                 DetectMmioBase(function.address, function.entry.Identity()))
                        .first;
        }
        base = known->second;
    }
    last_ = base;
    return base + static_cast<uint32_t>(ConfigWindow::OffsetOf(function.address));
}

FunctionBytes FunctionSpaceAccess::Read(const AccessedFunction& function) {
    const bool express = function.entry.kind == PCI_KIND_PCIE;
    const ConfigSpaceRead read = express ? ConfigSpaceRead::FromWindow(WindowAddress(function))
                                         : ConfigSpaceRead::FromMechanism(function.address);
    // A detected base is kept only while functions answer there as themselves.
    if (express && (!read.read[0] || read.dwords[0] != function.entry.Identity()))
        detected_.erase(function.address.segment);
    return SpaceOf(read.View(), read.size);
}

FunctionBytes FunctionSpaceAccess::ReadListed(const FunctionAddress& function) {
    const ConfigSpaceRead read =
        ConfigSpaceRead::FromMechanism(function, pcireg::kExtendedConfigSize);
    return SpaceOf(read.View(), ListedSize(read.View()));
}

ListedSpaces FunctionSpaceAccess::ReadListed(std::span<const FunctionAddress> functions) {
    ListedSpaces spaces;
    spaces.views_.reserve(functions.size());
    for (size_t first = 0; first < functions.size(); first += kListedGroup) {
        const auto group = functions.subspan(first, std::min(kListedGroup, functions.size() - first));
        const ConfigSpaceBatch& blocks = spaces.groups_.emplace_back(
            ConfigSpaceBatch::FromMechanism(group, pcireg::kExtendedConfigSize));
        for (size_t i = 0; i < group.size(); ++i) {
            const ConfigSpaceView block = blocks[i];
            if (block.Complete()) {
                spaces.views_.push_back({ListedSize(block), block.bytes, block.read});
                continue;
            }
            // What was refused is asked for again on its own, so the refusal
            // is that request's.
            const auto& again =
                spaces.readAgain_.emplace_back(std::make_unique<FunctionBytes>(ReadListed(group[i])));
            spaces.views_.push_back({static_cast<uint32_t>(again->bytes.size()), again->bytes.data(),
                                     again->readable.data()});
        }
    }
    return spaces;
}

bool FunctionSpaceAccess::Write(const AccessedFunction& function, uint32_t offset,
                                uint32_t value) {
    if (function.entry.kind == PCI_KIND_PCIE) {
        const uint8_t bytes[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                                  static_cast<uint8_t>(value >> 16),
                                  static_cast<uint8_t>(value >> 24)};
        return WritePhysicalMemory(WindowAddress(function) + offset, bytes, 4) != 0;
    }
    return WritePciConfigDword(function.address.segment,
                               config_mechanism::AddressOf(function.address, offset), &value) != 0;
}
