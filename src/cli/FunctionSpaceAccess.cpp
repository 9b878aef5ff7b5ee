// SPDX-License-Identifier: MIT
#include "cli/FunctionSpaceAccess.h"

#include <cstring>

#include "hw/DriverChannel.h"
#include "pci/ConfigSpaceRead.h"
#include "pci/PciBusScan.h"
#include "pci/PciWindowModel.h"
#include "pcidef/ConfigMechanism.h"
#include "pcidef/ConfigRegisters.h"
#include "pcidef/ConfigWindow.h"

uint32_t FunctionSpace::Dword(uint32_t offset) const {
    uint32_t value = 0;
    std::memcpy(&value, bytes.data() + (offset & ~3u), sizeof value);
    return value;
}

FunctionSpaceAccess::FunctionSpaceAccess(std::optional<uint32_t> windowBase)
    : model_(std::make_unique<PciWindowModel>()), base_(windowBase), given_(windowBase) {}

FunctionSpaceAccess::~FunctionSpaceAccess() = default;

PciDeviceEntry FunctionSpaceAccess::EntryOf(const FunctionAddress& function) {
    PciFormState& form = model_->Form();
    form.bus = function.bus;
    form.device = function.device;
    form.function = function.function;
    PciDeviceEntry entry{};
    model_->FunctionOfBoxes(&entry);
    return entry;
}

uint32_t FunctionSpaceAccess::WindowAddress(const PciDeviceEntry& entry) {
    if (!base_) {
        base_ = DetectMmioBase(entry.Address(), static_cast<uint32_t>(entry.deviceId) << 16 |
                                                    static_cast<uint32_t>(entry.vendorId));
    }
    return *base_ + static_cast<uint32_t>(ConfigWindow::OffsetOf(entry.Address()));
}

FunctionSpace FunctionSpaceAccess::Read(const PciDeviceEntry& entry) {
    const ConfigSpaceRead read = entry.kind == PCI_KIND_PCIE
                                     ? ConfigSpaceRead::FromWindow(WindowAddress(entry))
                                     : ConfigSpaceRead::FromMechanism(entry.Address());
    // A detected base is kept only while functions answer there as themselves.
    const uint32_t identity =
        static_cast<uint32_t>(entry.deviceId) << 16 | static_cast<uint32_t>(entry.vendorId);
    if (entry.kind == PCI_KIND_PCIE && !given_ && (!read.read[0] || read.dwords[0] != identity))
        base_.reset();
    FunctionSpace space;
    space.bytes.resize(read.size);
    std::memcpy(space.bytes.data(), read.dwords.data(), read.size);
    space.readable.assign(read.read.begin(), read.read.begin() + read.size / 4);
    return space;
}

FunctionSpace FunctionSpaceAccess::ReadListed(const FunctionAddress& function) {
    FunctionSpace space;
    space.bytes.assign(pcireg::kExtendedConfigSize, 0);
    space.readable.assign(pcireg::kExtendedConfigSize / 4, 0);
    ReadPciConfigBlock(function, pcireg::kExtendedConfigSize, space.bytes.data(),
                       space.readable.data());
    // The window shows a PCI function's 256 bytes, a PCI Express one's 4096;
    // the kind as the scan finds it, from the first 256 bytes.
    const bool express = PciFunctionKindOf([&](uint32_t offset, uint32_t* value) {
                             const uint32_t dword = offset % pcireg::kConfigSize & ~3u;
                             if (!space.Readable(dword)) return false;
                             *value = space.Dword(dword);
                             return true;
                         }) == PCI_KIND_PCIE;
    if (!express) {
        space.bytes.resize(pcireg::kConfigSize);
        space.readable.resize(pcireg::kConfigSize / 4);
    }
    return space;
}

bool FunctionSpaceAccess::Write(const PciDeviceEntry& entry, uint32_t offset, uint32_t value) {
    if (entry.kind == PCI_KIND_PCIE) {
        const uint8_t bytes[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                                  static_cast<uint8_t>(value >> 16),
                                  static_cast<uint8_t>(value >> 24)};
        return WritePhysicalMemory(WindowAddress(entry) + offset, bytes, 4) != 0;
    }
    return WritePciConfigDword(config_mechanism::AddressOf(entry.Address(), offset), &value) != 0;
}
