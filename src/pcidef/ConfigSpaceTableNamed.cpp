// SPDX-License-Identifier: MIT
// Capabilities known by name only: their dwords are shown plainly, as many
// as such a capability usually has.
#include "pcidef/ConfigSpaceTable.h"
#include "pcidef/ConfigSpaceTableBuild.h"

namespace pcidef {
namespace {

using namespace build;
using enum Access;

constexpr RegisterDef kPlainStandard[] = {
    Reg(2, 2, "Word1", "word 1", kWhole<16, RO>),
    Reg(4, 4, "DW", "dword", {}).Times(NominalCount(1)),
};
constexpr RegisterDef kPlainExtended[] = {
    Reg(4, 4, "DW", "dword", {}).Times(NominalCount(1)),
};

constexpr StructureDef Standard(std::string_view key, uint16_t id, std::string_view display,
                                uint16_t size) {
    return {key, id, Space::Standard, display, kPlainStandard, size};
}
constexpr StructureDef Extended(std::string_view key, uint16_t id, std::string_view display,
                                uint16_t size) {
    return {key, id, Space::Extended, display, kPlainExtended, size};
}

constexpr StructureDef kNamed[] = {
    Standard("AGP", 0x02, "AGP", 12),
    Standard("SLOTID", 0x04, "Slot Identification", 4),
    Standard("CHSWP", 0x06, "CompactPCI Hot Swap", 4),
    Standard("PCIX", 0x07, "PCI-X", 24),
    Standard("HT", 0x08, "HyperTransport", 8),
    Standard("DBG", 0x0A, "Debug Port", 4),
    Standard("CCRC", 0x0B, "CompactPCI Central Resource Control", 4),
    Standard("SHPC", 0x0C, "PCI Standard Hot-Plug Controller", 8),
    Standard("AGP8", 0x0E, "AGP 8x", 12),
    Standard("SECDEV", 0x0F, "Secure Device", 24),
    Standard("SATA", 0x12, "SATA Data/Index Configuration", 8),
    Standard("EA", 0x14, "Enhanced Allocation", 8),
    Standard("FPB", 0x15, "Flattening Portal Bridge", 36),

    Extended("RCLD", 0x0005, "Root Complex Link Declaration", 16),
    Extended("RCILC", 0x0006, "Root Complex Internal Link Control", 12),
    Extended("RCEC", 0x0007, "Root Complex Event Collector Endpoint Association", 12),
    Extended("MFVC", 0x0008, "Multi-Function Virtual Channel", 16),
    Extended("RCRB", 0x000A, "RCRB Header", 20),
    Extended("CAC", 0x000C, "Configuration Access Correlation", 8),
    Extended("MRIOV", 0x0011, "Multi-Root I/O Virtualization", 8),
    Extended("MCAST", 0x0012, "Multicast", 48),
    Extended("RSVD14", 0x0014, "Reserved 0x0014", 8),
    Extended("DPA", 0x0016, "Dynamic Power Allocation", 16),
    Extended("PMUX", 0x001A, "Protocol Multiplexing", 16),
    Extended("LNR", 0x001C, "LN Requester", 8),
    Extended("MPCIE", 0x0020, "PCI Express over M-PHY", 16),
    Extended("FRSQ", 0x0021, "FRS Queueing", 16),
    Extended("RTR", 0x0022, "Readiness Time Reporting", 12),
    Extended("VFREBAR", 0x0024, "VF Resizable BAR", 12),
    Extended("DLF", 0x0025, "Data Link Feature", 12),
    Extended("LMR", 0x0027, "Lane Margining at the Receiver", 8),
    Extended("HID", 0x0028, "Hierarchy ID", 16),
    Extended("NPEM", 0x0029, "Native PCIe Enclosure Management", 16),
    Extended("APROT", 0x002B, "Alternate Protocol", 16),
    Extended("SFI", 0x002C, "System Firmware Intermediary", 16),
    Extended("SHDW", 0x002D, "Shadow Functions", 8),
    Extended("DOE", 0x002E, "Data Object Exchange", 24),
    Extended("DEV3", 0x002F, "Device 3", 16),
    Extended("IDE", 0x0030, "Integrity and Data Encryption", 16),
    Extended("PL64", 0x0031, "Physical Layer 64.0 GT/s", 16),
    Extended("FLITLOG", 0x0032, "Flit Logging", 16),
    Extended("FLITPERF", 0x0033, "Flit Performance Measurement", 16),
    Extended("FLITERR", 0x0034, "Flit Error Injection", 16),
};

// What an ID the table does not know is shown as.
constexpr StructureDef kUnknown[] = {
    Standard("", 0, "Unknown capability", 4),
    Extended("", 0, "Unknown extended capability", 4),
};

}  // namespace

std::span<const StructureDef> NamedStructures() {
    return kNamed;
}

const StructureDef& UnknownCapabilityDef(Space space) {
    return space == Space::Extended ? kUnknown[1] : kUnknown[0];
}

}  // namespace pcidef
