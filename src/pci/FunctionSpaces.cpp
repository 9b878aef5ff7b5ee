// SPDX-License-Identifier: MIT
#include "pci/FunctionSpaces.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <span>

#include "hw/DriverChannel.h"
#include "hw/RequestRoute.h"
#include "pci/PciBusScan.h"
#include "pcidef/CapabilityWalk.h"
#include "pcidef/ConfigMechanism.h"
#include "pcidef/ConfigRegisters.h"
#include "pcidef/ConfigWindow.h"

namespace {

uint32_t IdentityOf(const PciDeviceEntry& entry) {
    return static_cast<uint32_t>(entry.deviceId) << 16 | static_cast<uint32_t>(entry.vendorId);
}

constexpr uint32_t kCommonBase = 0xE0000000u;

bool HasFunctionAt(uint32_t base, const PciDeviceEntry& entry) {
    uint32_t identity = ~IdentityOf(entry);
    ReadPhysicalMemory(base + static_cast<uint32_t>(ConfigWindow::OffsetOf(entry.Address())),
                       &identity, 4);
    return identity == IdentityOf(entry);
}

// Reads functions as the window does, but probes for the PCI Express
// window only until it has found it: every function of a machine is
// normally in the same one.
class WindowReader {
  public:
    ConfigSpaceRead Read(const PciDeviceEntry& entry, const FunctionAddress& function) {
        if (entry.kind != PCI_KIND_PCIE) return ReadFunctionSpace(function, entry.kind, 0);
        auto known = bases_.find(function.segment);
        if (known != bases_.end()) {
            ConfigSpaceRead read = ReadFunctionSpace(function, entry.kind, known->second);
            if (read.read[0] && read.dwords[0] == IdentityOf(entry)) return read;
        }
        const uint32_t base = DetectMmioBase(function, IdentityOf(entry));
        bases_[function.segment] = base;
        return ReadFunctionSpace(function, entry.kind, base);
    }

    // The window's base where a probe found the function there. The base
    // most machines have is tried first: a probe is a request, and the
    // window's probe tries six others before it.
    static std::optional<uint32_t> FoundBase(const PciDeviceEntry& entry) {
        if (HasFunctionAt(kCommonBase, entry)) return kCommonBase;
        const uint32_t base = DetectMmioBase(entry.Address(), IdentityOf(entry));
        if (base != kCommonBase) return base;
        return std::nullopt;
    }

  private:
    std::map<uint16_t, uint32_t> bases_;  // each segment's window, once probed
};

std::vector<FunctionSpace> ScanAndReadEach() {
    auto table = std::make_unique<PciDeviceTable>();
    table->count = EnumeratePciFunctions(*table);
    WindowReader reader;
    std::vector<FunctionSpace> spaces;
    for (int32_t row = 0; row < table->Rows(); ++row) {
        const PciDeviceEntry& entry = table->rows[static_cast<size_t>(row)];
        spaces.push_back({entry, table->Address(row), reader.Read(entry, table->Address(row))});
    }
    return spaces;
}

// The row a scan makes of a function, from the window's bytes of it, into
// *space; a function without a PCI Express capability keeps the 256 bytes
// the window shows of it.
void FromWindowBytes(const FunctionAddress& address, const uint8_t* bytes, FunctionSpace* space) {
    space->entry = PciDeviceEntry::Of(address);
    space->address = address;
    ConfigSpaceRead& read = space->read;
    std::memcpy(read.dwords.data(), bytes, ConfigWindow::kFunctionBytes);
    read.read.fill(true);
    const uint32_t identity = read.dwords[pcireg::kVendorId / 4];
    space->entry.vendorId = static_cast<int32_t>(identity & 0xFFFF);
    space->entry.deviceId = static_cast<int32_t>(identity >> 16);
    space->entry.classCode = static_cast<int32_t>(read.dwords[pcireg::kRevisionId / 4] >> 8);
    const std::span<const uint8_t> standard(bytes, pcireg::kConfigSize);
    bool express = false;
    for (const pcidef::CapabilityEntry& cap :
         pcidef::CapabilityWalk::Of(pcidef::ConfigView(standard)).entries)
        express = express || cap.id == pcireg::kCapabilityIdPciExpress;
    space->entry.kind = express ? PCI_KIND_PCIE : PCI_KIND_PCI;
    read.size = express ? pcireg::kExtendedConfigSize : pcireg::kConfigSize;
}

// The listed functions at `indices` read through the window at `base` into
// those places of *spaces, each function's space a piece of one gather read;
// false when a read failed or a listed function is not where the window says.
bool ReadFromWindow(uint32_t base, const std::vector<FunctionAddress>& listed,
                    const std::vector<size_t>& indices, std::vector<FunctionSpace>* spaces) {
    constexpr uint32_t kBytes = ConfigWindow::kFunctionBytes;
    std::vector<uint32_t> addresses;
    addresses.reserve(indices.size());
    for (size_t i : indices)
        addresses.push_back(base + static_cast<uint32_t>(ConfigWindow::OffsetOf(listed[i])));
    // Left uninitialised: the read fills every byte, read or not.
    std::unique_ptr<uint8_t[]> bytes(new uint8_t[addresses.size() * kBytes]);
    std::vector<uint8_t> read(addresses.size());
    if (!ReadPhysicalGather(addresses, kBytes, bytes.get(), read.data())) return false;
    for (size_t k = 0; k < indices.size(); ++k) {
        if (!read[k]) return false;
        FromWindowBytes(listed[indices[k]], bytes.get() + k * kBytes, &(*spaces)[indices[k]]);
        // Read whole: every dword of it was read.
        if ((*spaces)[indices[k]].read.dwords[0] == pcireg::kAbsentDword) return false;
    }
    return true;
}

// Each segment's functions through its window, placed by its first function.
bool ReadSegmentsFromWindows(const std::vector<FunctionAddress>& listed,
                             std::vector<FunctionSpace>* spaces) {
    std::map<uint16_t, std::vector<size_t>> bySegment;
    for (size_t i = 0; i < listed.size(); ++i) bySegment[listed[i].segment].push_back(i);
    spaces->resize(listed.size());
    for (const auto& [segment, indices] : bySegment) {
        const FunctionAddress& first = listed[indices.front()];
        uint32_t identity = pcireg::kAbsentDword;
        ReadPciConfigDword(segment, config_mechanism::AddressOf(first), &identity);
        if (identity == pcireg::kAbsentDword) return false;
        PciDeviceEntry entry = PciDeviceEntry::Of(first);
        entry.vendorId = static_cast<int32_t>(identity & 0xFFFF);
        entry.deviceId = static_cast<int32_t>(identity >> 16);
        const std::optional<uint32_t> base = WindowReader::FoundBase(entry);
        if (!base || !ReadFromWindow(*base, listed, indices, spaces)) return false;
    }
    return true;
}

}  // namespace

ConfigSpaceRead ReadFunctionSpace(const FunctionAddress& function, int32_t kind,
                                  uint32_t windowBase) {
    if (kind == PCI_KIND_PCI) return ConfigSpaceRead::FromMechanism(function);
    if (kind != PCI_KIND_PCIE) return {};
    return ConfigSpaceRead::FromWindow(windowBase +
                                       static_cast<uint32_t>(ConfigWindow::OffsetOf(function)));
}

std::optional<std::vector<FunctionSpace>> ReadAllFunctionSpaces() {
    if (!RequestRoute::Current().ListsFunctions()) return ScanAndReadEach();
    std::vector<FunctionAddress> listed;
    if (!ListPciSegmentFunctions(&listed)) {
        PciFunctionList list;
        if (!ListPciFunctions(&list)) return std::nullopt;
        for (uint32_t i = 0; i < list.count && i < 256; ++i)
            listed.push_back(FunctionAddress::FromDevFn(list.busNumbers[i], list.devFns[i]));
    }
    std::vector<FunctionSpace> spaces;
    if (ReadSegmentsFromWindows(listed, &spaces)) return spaces;
    return ScanAndReadEach();
}
