// SPDX-License-Identifier: MIT
#include "pci/FunctionSpaces.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <span>

#include "hw/DriverChannel.h"
#include "hw/RequestRoute.h"
#include "pci/PciBusScan.h"
#include "pcidef/CapabilityWalk.h"
#include "pcidef/ConfigMechanism.h"
#include "pcidef/ConfigRegisters.h"
#include "pcidef/ConfigWindow.h"
#include "platform/route/SharedTransferBuffer.h"

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

// The row a scan makes of a function, from the window's bytes of it; a
// function without a PCI Express capability keeps the 256 bytes the window
// shows of it.
FunctionSpace FromWindowBytes(const FunctionAddress& address, const uint8_t* bytes) {
    FunctionSpace space{PciDeviceEntry::Of(address), address, {}};
    ConfigSpaceRead& read = space.read;
    std::memcpy(read.dwords.data(), bytes, ConfigWindow::kFunctionBytes);
    read.read.fill(true);
    const uint32_t identity = read.dwords[pcireg::kVendorId / 4];
    space.entry.vendorId = static_cast<int32_t>(identity & 0xFFFF);
    space.entry.deviceId = static_cast<int32_t>(identity >> 16);
    space.entry.classCode = static_cast<int32_t>(read.dwords[pcireg::kRevisionId / 4] >> 8);
    const std::span<const uint8_t> standard(bytes, pcireg::kConfigSize);
    bool express = false;
    for (const pcidef::CapabilityEntry& cap :
         pcidef::CapabilityWalk::Of(pcidef::ConfigView(standard)).entries)
        express = express || cap.id == pcireg::kCapabilityIdPciExpress;
    space.entry.kind = express ? PCI_KIND_PCIE : PCI_KIND_PCI;
    read.size = express ? pcireg::kExtendedConfigSize : pcireg::kConfigSize;
    return space;
}

// Listed functions whose spaces lie close together in the window are read
// at once, into memory the driver writes directly: absent functions between
// them cost less than a request each would.
constexpr uint64_t kRunGap = 64 * ConfigWindow::kFunctionBytes;
constexpr uint64_t kRunLimit = 0x400000;  // what one request may carry

struct WindowRun {
    uint64_t first;
    uint64_t end;
};

std::vector<WindowRun> RunsOf(const std::set<uint64_t>& offsets) {
    std::vector<WindowRun> runs;
    for (uint64_t at : offsets) {
        const uint64_t end = at + ConfigWindow::kFunctionBytes;
        if (runs.empty() || at > runs.back().end + kRunGap || end - runs.back().first > kRunLimit)
            runs.push_back({at, end});
        else
            runs.back().end = end;
    }
    return runs;
}

// The listed functions at `indices` read through the window at `base` into
// those places of *spaces; false when a read failed or a listed function is
// not where the window says.
bool ReadFromWindow(uint32_t base, const std::vector<FunctionAddress>& listed,
                    const std::vector<size_t>& indices, std::vector<FunctionSpace>* spaces) {
    std::multimap<uint64_t, size_t> listedAt;  // offset -> position in the list
    std::set<uint64_t> offsets;
    for (size_t i : indices) {
        listedAt.emplace(ConfigWindow::OffsetOf(listed[i]), i);
        offsets.insert(ConfigWindow::OffsetOf(listed[i]));
    }
    SharedTransferBuffer buffer(kRunLimit);
    for (const WindowRun& run : RunsOf(offsets)) {
        if (buffer.Size() < run.end - run.first ||
            !ReadPhysicalMemory(base + static_cast<uint32_t>(run.first), buffer.Data(),
                                static_cast<uint32_t>(run.end - run.first)))
            return false;
        for (auto at = listedAt.lower_bound(run.first); at != listedAt.end() && at->first < run.end;
             ++at) {
            (*spaces)[at->second] =
                FromWindowBytes(listed[at->second], buffer.Data() + (at->first - run.first));
        }
    }
    // Read whole: every dword of each was read.
    for (size_t i : indices) {
        if ((*spaces)[i].read.dwords[0] == pcireg::kAbsentDword) return false;
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
