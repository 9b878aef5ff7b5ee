#include "pci/PciBusScan.h"

#include "hw/DriverChannel.h"
#include "hw/SystemFunctions.h"

namespace {

constexpr uint32_t kAbsent = 0xFFFFFFFFu;
constexpr uint32_t kStatusCapabilityList = 1u << 20;
constexpr uint8_t kPciExpressCapabilityId = 0x10;
constexpr uint32_t kMultiFunctionBit = 1u << 23;
// A chain has at most 48 capabilities in 192 bytes; more means a loop.
constexpr int kMaxCapabilitiesVisited = 48;

PciDeviceEntry ReadEntry(uint32_t bus, uint32_t device, uint32_t function) {
    uint32_t address = PciConfigAddress(bus, device, function);
    PciDeviceEntry entry{};
    entry.bus = static_cast<int32_t>(bus);
    entry.device = static_cast<int32_t>(device);
    entry.function = static_cast<int32_t>(function);
    entry.kind = GetPciFunctionKind(address);
    uint32_t value = 0;
    ReadPciConfigDword(address | 0x00, &value);
    entry.deviceId = static_cast<int32_t>(value >> 16);
    entry.vendorId = static_cast<int32_t>(value & 0xFFFF);
    ReadPciConfigDword(address | 0x08, &value);
    entry.classCode = static_cast<int32_t>(value >> 8);
    return entry;
}

int32_t EnumerateListedFunctions(PciDeviceEntry* rows) {
    PciFunctionList list;
    if (!ListPciFunctions(&list)) return 0;
    uint32_t count = list.count < 256 ? list.count : 256;
    for (uint32_t i = 0; i < count; ++i) {
        uint8_t devFn = list.devFns[i];
        rows[i] = ReadEntry(list.busNumbers[i], devFn >> 3, devFn & 7);
    }
    return static_cast<int32_t>(count);
}

// Stops appending once the table is full.
int32_t ProbeAllFunctions(PciDeviceEntry* rows) {
    int32_t count = 0;
    for (uint32_t bus = 0; bus < 256; ++bus) {
        for (uint32_t device = 0; device < 32; ++device) {
            for (uint32_t function = 0; function < 8; ++function) {
                uint32_t header = kAbsent;
                ReadPciConfigDword(PciConfigAddress(bus, device, function, 0x0C), &header);
                if (header == kAbsent) continue;
                if (count == PciDeviceTable::kCapacity) return count;
                rows[count++] = ReadEntry(bus, device, function);
                if (function == 0 && !(header & kMultiFunctionBit)) break;
            }
        }
    }
    return count;
}

}  // namespace

int32_t EnumeratePciFunctions(PciDeviceEntry (&rows)[PciDeviceTable::kCapacity]) {
    if (IsWin9xFamily(ClassifyWindowsVersion())) return ProbeAllFunctions(rows);
    return EnumerateListedFunctions(rows);
}

int32_t GetPciFunctionKind(uint32_t functionAddress) {
    uint32_t value = 0;
    ReadPciConfigDword(functionAddress | 0x04, &value);
    if (value == kAbsent || !(value & kStatusCapabilityList)) return PCI_KIND_PCI;
    ReadPciConfigDword(functionAddress | 0x34, &value);
    if (value == kAbsent || (value & 0xFF) == 0) return PCI_KIND_PCI;
    uint32_t pointer = value & 0xFF;
    for (int visited = 0; visited < kMaxCapabilitiesVisited; ++visited) {
        ReadPciConfigDword(functionAddress + pointer, &value);
        if (value == kAbsent) return PCI_KIND_PCI;
        if ((value & 0xFF) == kPciExpressCapabilityId) return PCI_KIND_PCIE;
        pointer = (value >> 8) & 0xFF;
        if (pointer == 0) return PCI_KIND_PCI;
    }
    return PCI_KIND_PCI;
}
