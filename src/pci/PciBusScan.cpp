#include "pci/PciBusScan.h"

#include "hw/DriverChannel.h"
#include "hw/RequestRoute.h"
#include "pcidef/ConfigMechanism.h"
#include "pcidef/ConfigRegisters.h"

namespace {

namespace cm = config_mechanism;

// A chain has at most 48 capabilities in 192 bytes; more means a loop.
constexpr int kMaxCapabilitiesVisited = 48;
// The dword that holds the header type, and its bit as seen in that dword.
constexpr uint32_t kHeaderTypeDword = pcireg::kCacheLineSize;
constexpr uint32_t kMultiFunctionBit = uint32_t{pcireg::kHeaderTypeMultiFunction}
                                       << (8 * (pcireg::kHeaderType - kHeaderTypeDword));
// The status register's capability-list bit, as seen in the command dword.
constexpr uint32_t kStatusCapabilityList = uint32_t{pcireg::kStatusCapabilityList}
                                           << (8 * (pcireg::kStatus - pcireg::kCommand));

PciDeviceEntry ReadEntry(const FunctionAddress& function) {
    const uint32_t address = cm::AddressOf(function);
    PciDeviceEntry entry = PciDeviceEntry::Of(function);
    entry.kind = GetPciFunctionKind(address);
    uint32_t value = 0;
    ReadPciConfigDword(address | pcireg::kVendorId, &value);
    entry.deviceId = static_cast<int32_t>(value >> 16);
    entry.vendorId = static_cast<int32_t>(value & 0xFFFF);
    ReadPciConfigDword(address | pcireg::kRevisionId, &value);
    entry.classCode = static_cast<int32_t>(value >> 8);
    return entry;
}

int32_t EnumerateListedFunctions(PciDeviceEntry* rows) {
    PciFunctionList list;
    if (!ListPciFunctions(&list)) return 0;
    uint32_t count = list.count < 256 ? list.count : 256;
    for (uint32_t i = 0; i < count; ++i) {
        rows[i] = ReadEntry(FunctionAddress::FromDevFn(list.busNumbers[i], list.devFns[i]));
    }
    return static_cast<int32_t>(count);
}

// Stops appending once the table is full.
int32_t ProbeAllFunctions(PciDeviceEntry* rows) {
    int32_t count = 0;
    for (uint32_t bus = 0; bus < 256; ++bus) {
        for (uint32_t device = 0; device < 32; ++device) {
            for (uint32_t function = 0; function < 8; ++function) {
                const FunctionAddress address{static_cast<uint8_t>(bus),
                                              static_cast<uint8_t>(device),
                                              static_cast<uint8_t>(function)};
                uint32_t header = pcireg::kAbsentDword;
                ReadPciConfigDword(cm::AddressOf(address, kHeaderTypeDword), &header);
                if (header == pcireg::kAbsentDword) continue;
                if (count == PciDeviceTable::kCapacity) return count;
                rows[count++] = ReadEntry(address);
                if (function == 0 && !(header & kMultiFunctionBit)) break;
            }
        }
    }
    return count;
}

}  // namespace

int32_t EnumeratePciFunctions(PciDeviceEntry (&rows)[PciDeviceTable::kCapacity]) {
    if (!RequestRoute::Current().ListsFunctions()) return ProbeAllFunctions(rows);
    return EnumerateListedFunctions(rows);
}

int32_t GetPciFunctionKind(uint32_t functionAddress) {
    uint32_t value = 0;
    ReadPciConfigDword(functionAddress | pcireg::kCommand, &value);
    if (value == pcireg::kAbsentDword || !(value & kStatusCapabilityList)) return PCI_KIND_PCI;
    ReadPciConfigDword(functionAddress | pcireg::kCapabilityPointer, &value);
    if (value == pcireg::kAbsentDword || (value & 0xFF) == 0) return PCI_KIND_PCI;
    uint32_t pointer = value & 0xFF;
    for (int visited = 0; visited < kMaxCapabilitiesVisited; ++visited) {
        ReadPciConfigDword(functionAddress + pointer, &value);
        if (value == pcireg::kAbsentDword) return PCI_KIND_PCI;
        if ((value & 0xFF) == pcireg::kCapabilityIdPciExpress) return PCI_KIND_PCIE;
        pointer = (value >> 8) & 0xFF;
        if (pointer == 0) return PCI_KIND_PCI;
    }
    return PCI_KIND_PCI;
}
