#include "cli/FunctionSpaceAccess.h"

#include <algorithm>
#include <cstring>

#include "hw/DriverChannel.h"
#include "pci/ConfigSpaceRead.h"
#include "pci/PciWindowModel.h"
#include "pcidef/CapabilityWalk.h"
#include "pcidef/ConfigMechanism.h"
#include "pcidef/ConfigRegisters.h"
#include "pcidef/ConfigWindow.h"

uint32_t FunctionSpace::Dword(uint32_t offset) const {
    uint32_t value = 0;
    std::memcpy(&value, bytes.data() + (offset & ~3u), sizeof value);
    return value;
}

FunctionSpaceAccess::FunctionSpaceAccess(std::optional<uint32_t> windowBase)
    : model_(std::make_unique<PciWindowModel>()), base_(windowBase) {}

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
    FunctionSpace space;
    space.bytes.resize(read.size);
    std::memcpy(space.bytes.data(), read.dwords.data(), read.size);
    space.readable.assign(read.read.begin(), read.read.begin() + read.size / 4);
    return space;
}

FunctionSpace FunctionSpaceAccess::ReadListed(const FunctionAddress& function) {
    PciDeviceEntry entry = PciDeviceEntry::Of(function);
    entry.kind = PCI_KIND_PCI;
    FunctionSpace space = Read(entry);
    const pcidef::CapabilityWalk walk =
        pcidef::CapabilityWalk::Of(pcidef::ConfigView(space.bytes, space.readable));
    const bool express = std::any_of(walk.entries.begin(), walk.entries.end(), [](const auto& e) {
        return e.space == pcidef::Space::Standard && e.id == pcireg::kCapabilityIdPciExpress;
    });
    if (!express) return space;
    const uint32_t identity = space.Dword(pcireg::kVendorId);
    entry.kind = PCI_KIND_PCIE;
    entry.vendorId = static_cast<int32_t>(identity & 0xFFFF);
    entry.deviceId = static_cast<int32_t>(identity >> 16);
    return Read(entry);
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
