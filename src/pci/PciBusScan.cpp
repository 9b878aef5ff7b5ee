// SPDX-License-Identifier: MIT
#include "pci/PciBusScan.h"

#include <algorithm>
#include <span>

#include "hw/DriverChannel.h"
#include "hw/RequestRoute.h"
#include "pci/ConfigSpaceBatch.h"
#include "pci/ConfigSpaceRead.h"
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

using DwordRead = std::function<bool(uint32_t offset, uint32_t* value)>;

// The row a scan makes of a function whose registers `read` reads.
PciDeviceEntry EntryOf(const FunctionAddress& function, const DwordRead& read) {
    PciDeviceEntry entry = PciDeviceEntry::Of(function);
    entry.kind = PciFunctionKindOf(read);
    uint32_t value = 0;
    read(pcireg::kVendorId, &value);
    entry.deviceId = static_cast<int32_t>(value >> 16);
    entry.vendorId = static_cast<int32_t>(value & 0xFFFF);
    read(pcireg::kRevisionId, &value);
    entry.classCode = static_cast<int32_t>(value >> 8);
    return entry;
}

PciDeviceEntry ReadEntry(const FunctionAddress& function) {
    const uint32_t address = cm::AddressOf(function);
    return EntryOf(function, [&](uint32_t offset, uint32_t* value) {
        return ReadPciConfigDword(function.segment, address + offset, value) != 0;
    });
}

// Listed functions are read a group at a time, each group's 256 bytes in a
// request or a few: a dword request each would cost far more.
constexpr size_t kListedGroup = 1024;

int32_t EnumerateListedFunctions(PciDeviceTable& table) {
    std::vector<FunctionAddress> listed;
    if (!ListPciSegmentFunctions(&listed)) return 0;
    std::vector<PciDeviceEntry> rows;
    std::vector<uint16_t> segments;
    rows.reserve(listed.size());
    segments.reserve(listed.size());
    for (size_t first = 0; first < listed.size(); first += kListedGroup) {
        const auto group =
            std::span(listed).subspan(first, std::min(kListedGroup, listed.size() - first));
        const ConfigSpaceBatch blocks = ConfigSpaceBatch::FromMechanism(group);
        for (size_t i = 0; i < group.size(); ++i) {
            const ConfigSpaceView block = blocks[i];
            bool refused = false;
            PciDeviceEntry entry = EntryOf(group[i], [&](uint32_t offset, uint32_t* value) {
                const bool read =
                    ReadBlockDword(block.bytes, block.read, block.size, offset, value);
                refused = refused || !read;
                return read;
            });
            // What was refused is asked for again as the scan asks, so the
            // refusal is that request's.
            rows.push_back(refused ? ReadEntry(group[i]) : entry);
            segments.push_back(group[i].segment);
        }
    }
    table.Assign(std::move(rows), std::move(segments));
    return static_cast<int32_t>(listed.size());
}

// Appends the functions of one device that are present; false once the
// table is full.
bool ProbeDevice(uint8_t bus, uint8_t device, std::vector<PciDeviceEntry>& rows) {
    for (uint8_t function = 0; function < 8; ++function) {
        const FunctionAddress address{bus, device, function};
        uint32_t header = pcireg::kAbsentDword;
        ReadPciConfigDword(cm::AddressOf(address, kHeaderTypeDword), &header);
        if (header == pcireg::kAbsentDword) continue;
        if (rows.size() == PciDeviceTable::kCapacity) return false;
        rows.push_back(ReadEntry(address));
        if (function == 0 && !(header & kMultiFunctionBit)) break;
    }
    return true;
}

int32_t ProbeAllFunctions(PciDeviceTable& table) {
    std::vector<PciDeviceEntry> rows;
    [&rows] {
        for (uint32_t bus = 0; bus < 256; ++bus) {
            for (uint8_t device = 0; device < 32; ++device) {
                if (!ProbeDevice(static_cast<uint8_t>(bus), device, rows)) return;
            }
        }
    }();
    const auto count = static_cast<int32_t>(rows.size());
    table.Assign(std::move(rows), {});
    return count;
}

}  // namespace

int32_t EnumeratePciFunctions(PciDeviceTable& table) {
    if (!RequestRoute::Current().ListsFunctions()) return ProbeAllFunctions(table);
    return EnumerateListedFunctions(table);
}

PciDeviceEntry IdentifyFunction(const FunctionAddress& function) {
    PciDeviceEntry entry = PciDeviceEntry::Of(function);
    const uint32_t address = cm::AddressOf(function);
    entry.kind = GetPciFunctionKind(function.segment, address);
    uint32_t identity = pcireg::kAbsentDword;
    ReadPciConfigDword(function.segment, address, &identity);
    entry.deviceId = static_cast<int32_t>(identity >> 16);
    entry.vendorId = static_cast<int32_t>(identity & 0xFFFF);
    return entry;
}

int32_t GetPciFunctionKind(uint32_t functionAddress) {
    return GetPciFunctionKind(0, functionAddress);
}

int32_t GetPciFunctionKind(uint16_t segment, uint32_t functionAddress) {
    return PciFunctionKindOf([&](uint32_t offset, uint32_t* value) {
        return ReadPciConfigDword(segment, functionAddress + offset, value) != 0;
    });
}

int32_t PciFunctionKindOf(const std::function<bool(uint32_t, uint32_t*)>& read) {
    uint32_t value = 0;
    read(pcireg::kCommand, &value);
    if (value == pcireg::kAbsentDword || !(value & kStatusCapabilityList)) return PCI_KIND_PCI;
    read(pcireg::kCapabilityPointer, &value);
    if (value == pcireg::kAbsentDword || (value & 0xFF) == 0) return PCI_KIND_PCI;
    uint32_t pointer = value & 0xFF;
    for (int visited = 0; visited < kMaxCapabilitiesVisited; ++visited) {
        read(pointer, &value);
        if (value == pcireg::kAbsentDword) return PCI_KIND_PCI;
        if ((value & 0xFF) == pcireg::kCapabilityIdPciExpress) return PCI_KIND_PCIE;
        pointer = (value >> 8) & 0xFF;
        if (pointer == 0) return PCI_KIND_PCI;
    }
    return PCI_KIND_PCI;
}
