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

uint32_t IdentityOf(const PciDeviceEntry& entry) {
    return static_cast<uint32_t>(entry.deviceId) << 16 | static_cast<uint32_t>(entry.vendorId);
}

FunctionSpace SpaceOf(const ConfigSpaceRead& read, uint32_t size) {
    FunctionSpace space;
    space.bytes.resize(size);
    std::memcpy(space.bytes.data(), read.dwords.data(), size);
    space.readable.assign(read.read.begin(), read.read.begin() + size / 4);
    return space;
}

// The window shows a PCI function's 256 bytes, a PCI Express one's 4096; the
// kind as the scan finds it, from the first 256 bytes.
FunctionSpace ListedSpace(const ConfigSpaceRead& read) {
    const bool express = PciFunctionKindOf([&](uint32_t offset, uint32_t* value) {
                             return read.ReadDword(offset, value);
                         }) == PCI_KIND_PCIE;
    return SpaceOf(read, express ? pcireg::kExtendedConfigSize : pcireg::kConfigSize);
}

// Functions are read this many at a time: a few megabytes.
constexpr size_t kListedGroup = 256;

}  // namespace

uint32_t FunctionSpace::Dword(uint32_t offset) const {
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
                                 DetectMmioBase(function.address, IdentityOf(function.entry)))
                        .first;
        }
        base = known->second;
    }
    last_ = base;
    return base + static_cast<uint32_t>(ConfigWindow::OffsetOf(function.address));
}

FunctionSpace FunctionSpaceAccess::Read(const AccessedFunction& function) {
    const bool express = function.entry.kind == PCI_KIND_PCIE;
    const ConfigSpaceRead read = express ? ConfigSpaceRead::FromWindow(WindowAddress(function))
                                         : ConfigSpaceRead::FromMechanism(function.address);
    // A detected base is kept only while functions answer there as themselves.
    if (express && (!read.read[0] || read.dwords[0] != IdentityOf(function.entry)))
        detected_.erase(function.address.segment);
    return SpaceOf(read, read.size);
}

FunctionSpace FunctionSpaceAccess::ReadListed(const FunctionAddress& function) {
    return ListedSpace(ConfigSpaceRead::FromMechanism(function, pcireg::kExtendedConfigSize));
}

std::vector<FunctionSpace> FunctionSpaceAccess::ReadListed(
    std::span<const FunctionAddress> functions) {
    std::vector<FunctionSpace> spaces;
    spaces.reserve(functions.size());
    for (size_t first = 0; first < functions.size(); first += kListedGroup) {
        const auto group = functions.subspan(first, std::min(kListedGroup, functions.size() - first));
        const std::vector<ConfigSpaceRead> reads =
            ConfigSpaceRead::FromMechanism(group, pcireg::kExtendedConfigSize);
        for (size_t i = 0; i < group.size(); ++i) {
            // What was refused is asked for again on its own, so the refusal
            // is that request's.
            spaces.push_back(reads[i].Complete() ? ListedSpace(reads[i]) : ReadListed(group[i]));
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
