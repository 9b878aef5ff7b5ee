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

constexpr uint32_t kCommonBase = 0xE0000000u;

bool HasFunctionAt(uint32_t base, const PciDeviceEntry& entry) {
    uint32_t identity = ~entry.Identity();
    ReadPhysicalMemory(base + static_cast<uint32_t>(ConfigWindow::OffsetOf(entry.Address())),
                       &identity, 4);
    return identity == entry.Identity();
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
            if (read.read[0] && read.dwords[0] == entry.Identity()) return read;
        }
        const uint32_t base = DetectMmioBase(function, entry.Identity());
        bases_[function.segment] = base;
        return ReadFunctionSpace(function, entry.kind, base);
    }

    // The window's base where a probe found the function there. The base
    // most machines have is tried first: a probe is a request, and the
    // window's probe tries six others before it.
    static std::optional<uint32_t> FoundBase(const PciDeviceEntry& entry) {
        if (HasFunctionAt(kCommonBase, entry)) return kCommonBase;
        const uint32_t base = DetectMmioBase(entry.Address(), entry.Identity());
        if (base != kCommonBase) return base;
        return std::nullopt;
    }

  private:
    std::map<uint16_t, uint32_t> bases_;  // each segment's window, once probed
};

// The row a scan makes of a function, from the window's bytes of it; a
// function without a PCI Express capability keeps the 256 bytes the window
// shows of it.
FunctionSpace FromWindowBytes(const FunctionAddress& address, ConfigSpaceView read) {
    FunctionSpace space{PciDeviceEntry::Of(address), address, read};
    uint32_t identity = 0;
    uint32_t revision = 0;
    std::memcpy(&identity, read.bytes + pcireg::kVendorId, 4);
    std::memcpy(&revision, read.bytes + pcireg::kRevisionId, 4);
    space.entry.vendorId = static_cast<int32_t>(identity & 0xFFFF);
    space.entry.deviceId = static_cast<int32_t>(identity >> 16);
    space.entry.classCode = static_cast<int32_t>(revision >> 8);
    const std::span<const uint8_t> standard(read.bytes, pcireg::kConfigSize);
    bool express = false;
    for (const pcidef::CapabilityEntry& cap :
         pcidef::CapabilityWalk::Of(pcidef::ConfigView(standard)).entries)
        express = express || cap.id == pcireg::kCapabilityIdPciExpress;
    space.entry.kind = express ? PCI_KIND_PCIE : PCI_KIND_PCI;
    space.read.size = express ? pcireg::kExtendedConfigSize : pcireg::kConfigSize;
    return space;
}

}  // namespace

// Fills a FunctionSpaces one way or the other.
class FunctionSpacesReader {
  public:
    // Every function scanned and read one by one, as the window does.
    static FunctionSpaces ScanAndReadEach() {
        FunctionSpaces spaces;
        auto table = std::make_unique<PciDeviceTable>();
        table->count = EnumeratePciFunctions(*table);
        WindowReader reader;
        for (int32_t row = 0; row < table->Rows(); ++row) {
            const PciDeviceEntry& entry = table->rows[static_cast<size_t>(row)];
            const auto& read = spaces.each_.emplace_back(
                std::make_unique<ConfigSpaceRead>(reader.Read(entry, table->Address(row))));
            spaces.functions_.push_back({entry, table->Address(row), read->View()});
        }
        return spaces;
    }

    // Each segment's functions through its window, placed by its first
    // function, each function's space a piece of one gather read; false
    // when a read failed or a listed function is not where the window says.
    static bool ReadSegmentsFromWindows(const std::vector<FunctionAddress>& listed,
                                        FunctionSpaces* spaces) {
        std::map<uint16_t, std::vector<size_t>> bySegment;
        for (size_t i = 0; i < listed.size(); ++i) bySegment[listed[i].segment].push_back(i);
        spaces->functions_.resize(listed.size());
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

  private:
    static bool ReadFromWindow(uint32_t base, const std::vector<FunctionAddress>& listed,
                               const std::vector<size_t>& indices, FunctionSpaces* spaces) {
        std::vector<uint32_t> addresses;
        addresses.reserve(indices.size());
        for (size_t i : indices)
            addresses.push_back(base + static_cast<uint32_t>(ConfigWindow::OffsetOf(listed[i])));
        const ConfigSpaceBatch& batch =
            spaces->windows_.emplace_back(ConfigSpaceBatch::FromWindow(addresses));
        for (size_t k = 0; k < indices.size(); ++k) {
            const ConfigSpaceView read = batch[k];
            // Read whole: every dword of it was read.
            uint32_t identity = pcireg::kAbsentDword;
            std::memcpy(&identity, read.bytes, 4);
            if (!read.read[0] || identity == pcireg::kAbsentDword) return false;
            spaces->functions_[indices[k]] = FromWindowBytes(listed[indices[k]], read);
        }
        return true;
    }
};

ConfigSpaceRead ReadFunctionSpace(const FunctionAddress& function, int32_t kind,
                                  uint32_t windowBase) {
    if (kind == PCI_KIND_PCI) return ConfigSpaceRead::FromMechanism(function);
    if (kind != PCI_KIND_PCIE) return {};
    return ConfigSpaceRead::FromWindow(windowBase +
                                       static_cast<uint32_t>(ConfigWindow::OffsetOf(function)));
}

std::optional<FunctionSpaces> ReadAllFunctionSpaces() {
    if (!RequestRoute::Current().ListsFunctions()) return FunctionSpacesReader::ScanAndReadEach();
    std::vector<FunctionAddress> listed;
    if (!ListPciSegmentFunctions(&listed)) {
        PciFunctionList list;
        if (!ListPciFunctions(&list)) return std::nullopt;
        for (uint32_t i = 0; i < list.count && i < 256; ++i)
            listed.push_back(FunctionAddress::FromDevFn(list.busNumbers[i], list.devFns[i]));
    }
    FunctionSpaces spaces;
    if (FunctionSpacesReader::ReadSegmentsFromWindows(listed, &spaces)) return spaces;
    return FunctionSpacesReader::ScanAndReadEach();
}
