#include "cli/FunctionSpaceAccess.h"

#include <cstring>

#include "hw/DriverChannel.h"
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
    if (!base_) base_ = model_->DetectMmioBase(entry);
    return *base_ + static_cast<uint32_t>(ConfigWindow::OffsetOf(entry.Address()));
}

FunctionSpace FunctionSpaceAccess::Read(const PciDeviceEntry& entry) {
    FunctionSpace space;
    if (entry.kind == PCI_KIND_PCIE) {
        space.bytes.assign(pcireg::kExtendedConfigSize, 0);
        const bool read = ReadPhysicalMemory(WindowAddress(entry), space.bytes.data(),
                                             pcireg::kExtendedConfigSize) != 0;
        space.readable.assign(pcireg::kExtendedConfigSize / 4, read ? 1 : 0);
        return space;
    }
    space.bytes.assign(pcireg::kConfigSize, 0);
    space.readable.assign(pcireg::kConfigSize / 4, 0);
    const uint32_t address = config_mechanism::AddressOf(entry.Address());
    for (uint32_t offset = 0; offset < pcireg::kConfigSize; offset += 4) {
        uint32_t value = 0;
        if (!ReadPciConfigDword(address + offset, &value)) continue;
        std::memcpy(space.bytes.data() + offset, &value, sizeof value);
        space.readable[offset / 4] = 1;
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
