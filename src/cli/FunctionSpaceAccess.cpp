// SPDX-License-Identifier: MIT
#include "cli/FunctionSpaceAccess.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "hw/DriverChannel.h"
#include "pci/ConfigSpaceRead.h"
#include "pci/PciBusScan.h"
#include "pcidef/ConfigMechanism.h"
#include "pcidef/ConfigRegisters.h"
#include "pcidef/ConfigWindow.h"
#include "platform/route/SharedTransferBuffer.h"
#include "protocol/DriverRequest.h"

namespace {

uint32_t IdentityOf(const PciDeviceEntry& entry) {
    return static_cast<uint32_t>(entry.deviceId) << 16 | static_cast<uint32_t>(entry.vendorId);
}

FunctionBytes SpaceOf(const uint8_t* bytes, const uint8_t* dwordRead, uint32_t size) {
    return {{bytes, bytes + size}, {dwordRead, dwordRead + size / 4}};
}

// How much of a block read of 4096 bytes the window shows: a PCI function's
// 256 bytes, a PCI Express one's 4096; the kind as the scan finds it, from
// the first 256 bytes.
uint32_t ListedSize(const uint8_t* block) {
    constexpr uint32_t kSize = pcireg::kExtendedConfigSize;
    const bool express = PciFunctionKindOf([&](uint32_t offset, uint32_t* value) {
                             return ReadBlockDword(block, block + kSize, kSize, offset, value);
                         }) == PCI_KIND_PCIE;
    return express ? kSize : pcireg::kConfigSize;
}

// Functions are read this many at a time: a few megabytes.
constexpr size_t kListedGroup = 256;
constexpr uint32_t kBlockLength = ConfigBlockLength(pcireg::kExtendedConfigSize);

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
                                 DetectMmioBase(function.address, IdentityOf(function.entry)))
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
    if (express && (!read.read[0] || read.dwords[0] != IdentityOf(function.entry)))
        detected_.erase(function.address.segment);
    return SpaceOf(reinterpret_cast<const uint8_t*>(read.dwords.data()), read.DwordsRead().data(),
                   read.size);
}

FunctionBytes FunctionSpaceAccess::ReadListed(const FunctionAddress& function) {
    std::vector<uint8_t> block(kBlockLength, 0);
    ReadPciConfigBlock(function, pcireg::kExtendedConfigSize, block.data(),
                       block.data() + pcireg::kExtendedConfigSize);
    return SpaceOf(block.data(), block.data() + pcireg::kExtendedConfigSize,
                   ListedSize(block.data()));
}

ListedSpaces FunctionSpaceAccess::ReadListed(std::span<const FunctionAddress> functions) {
    ListedSpaces spaces;
    spaces.views_.reserve(functions.size());
    for (size_t first = 0; first < functions.size(); first += kListedGroup) {
        const auto group = functions.subspan(first, std::min(kListedGroup, functions.size() - first));
        // Memory the driver writes directly; the read fills every byte of
        // it, refused or not.
        auto& shared = spaces.groups_.emplace_back(
            std::make_unique<SharedTransferBuffer>(group.size() * kBlockLength));
        if (shared->Size() < group.size() * kBlockLength) throw std::bad_alloc();
        ReadPciConfigBlocks(group, pcireg::kExtendedConfigSize, shared->Data());
        for (size_t i = 0; i < group.size(); ++i) {
            const uint8_t* block = shared->Data() + i * kBlockLength;
            const uint8_t* dwordRead = block + pcireg::kExtendedConfigSize;
            const bool complete =
                std::all_of(dwordRead, dwordRead + kBlockLength - pcireg::kExtendedConfigSize,
                            [](uint8_t read) { return read != 0; });
            if (complete) {
                spaces.views_.push_back({block, dwordRead, ListedSize(block)});
                continue;
            }
            // What was refused is asked for again on its own, so the refusal
            // is that request's.
            const auto& again =
                spaces.readAgain_.emplace_back(std::make_unique<FunctionBytes>(ReadListed(group[i])));
            spaces.views_.push_back({again->bytes.data(), again->readable.data(), again->bytes.size()});
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
