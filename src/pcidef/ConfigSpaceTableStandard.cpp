// SPDX-License-Identifier: MIT
// Capabilities of the standard list, found from the capabilities pointer,
// except PCI Express, which has a file of its own.
#include "pcidef/ConfigSpaceTable.h"
#include "pcidef/ConfigSpaceTableBuild.h"

namespace pcidef {
namespace {

using namespace build;
using enum Access;

// Power Management.
constexpr ValueText kAuxCurrentTexts[] = {{0, "self powered"}, {1, "55mA"},  {2, "100mA"},
                                          {3, "160mA"},        {4, "220mA"}, {5, "270mA"},
                                          {6, "320mA"},        {7, "375mA"}};
constexpr Meaning kAuxCurrent{MeaningKind::Enum, kAuxCurrentTexts};
constexpr ValueText kPmeStateTexts[] = {
    {0, "D0"}, {1, "D1"}, {2, "D2"}, {3, "D3hot"}, {4, "D3cold"}};
constexpr Meaning kPmeStates{MeaningKind::BitList, kPmeStateTexts};
constexpr ValueText kPowerStateTexts[] = {{0, "D0"}, {1, "D1"}, {2, "D2"}, {3, "D3hot"}};
constexpr Meaning kPowerState{MeaningKind::Enum, kPowerStateTexts};

constexpr FieldDef kPmCap[] = {
    Bits("Version", 0, 2, RO, kDecimal),
    Bit("PMEClock", 3, RO),
    Bit("ImmediateReadiness", 4, RO),
    Bit("DSI", 5, RO),
    Bits("AuxCurrent", 6, 8, RO, kAuxCurrent),
    Bit("D1", 9, RO),
    Bit("D2", 10, RO),
    Bits("PME", 11, 15, RO, kPmeStates).Summary(),
};
constexpr FieldDef kPmCtrl[] = {
    Bits("PowerState", 0, 1, RW, kPowerState).Summary(),
    Bit("NoSoftReset", 3, RO),
    Bit("PMEEnable", 8, RW).Summary(),
    Bits("DataSelect", 9, 12, RW),
    Bits("DataScale", 13, 14, RO),
    Bit("PMEStatus", 15, RW1C).Summary(),
};
constexpr FieldDef kPmBridge[] = {
    Bit("B2B3", 6, RO),
    Bit("BPCCEnable", 7, RO),
};
constexpr RegisterDef kPm[] = {
    Reg(2, 2, "Cap", "Power Management Capabilities", kPmCap),
    Reg(4, 2, "Ctrl", "Power Management Control/Status", kPmCtrl),
    Reg(6, 1, "Bridge", "Bridge Support Extensions", kPmBridge),
    Reg(7, 1, "Data", "Data", kWhole<8, RO>),
};

// Message Signalled Interrupts: the 64-bit address (Ctrl bit 7) and per-vector
// masking (bit 8) move the registers after the address.
constexpr Meaning kVectors{MeaningKind::Pow2, {}, 1, 5, "vectors"};

constexpr FieldDef kMsiCtrl[] = {
    Bit("Enable", 0, RW).Summary(),
    Bits("MultiMsgCap", 1, 3, RO, kVectors),
    Bits("MultiMsgEnable", 4, 6, RW, kVectors).Summary(),
    Bit("Addr64", 7, RO).Summary(),
    Bit("PerVectorMask", 8, RO).Summary(),
    Bit("ExtMsgData", 9, RO),
    Bit("ExtMsgDataEnable", 10, RW),
};
constexpr FieldDef kMsiAddress[] = {Bits("Address", 2, 31, RW, kAddress).Summary()};

constexpr uint8_t kNarrow = 0b00, kWide = 0b01, kNarrowMasked = 0b10, kWideMasked = 0b11;
constexpr Condition MsiLayout(uint8_t layout) {
    return FieldIs(2, 7, 8, layout);
}
constexpr Condition MsiLayoutIn(uint8_t first, uint8_t second) {
    return FieldIn(2, 7, 8, 1u << first | 1u << second);
}

constexpr RegisterDef kMsi[] = {
    Reg(2, 2, "Ctrl", "Message Control", kMsiCtrl),
    Reg(4, 4, "AddrLo", "Message Address", kMsiAddress),
    Reg(8, 4, "AddrHi", "Message Upper Address", kWhole<32, RW>)
        .When(MsiLayoutIn(kWide, kWideMasked)),
    Reg(8, 2, "Data", "Message Data", kWhole<16, RW>).When(MsiLayoutIn(kNarrow, kNarrowMasked)),
    Reg(0xC, 2, "Data", "Message Data", kWhole<16, RW>).When(MsiLayoutIn(kWide, kWideMasked)),
    Reg(0xC, 4, "Mask", "Mask Bits", kWhole<32, RW>).When(MsiLayout(kNarrowMasked)),
    Reg(0x10, 4, "Pending", "Pending Bits", kWhole<32, RO>).When(MsiLayout(kNarrowMasked)),
    Reg(0x10, 4, "Mask", "Mask Bits", kWhole<32, RW>).When(MsiLayout(kWideMasked)),
    Reg(0x14, 4, "Pending", "Pending Bits", kWhole<32, RO>).When(MsiLayout(kWideMasked)),
};

// MSI-X.
constexpr Meaning kVectorCount{MeaningKind::PlusOne, {}, 1, 63, "vectors"};

constexpr FieldDef kMsixCtrl[] = {
    Bits("TableSize", 0, 10, RO, kVectorCount).Summary(),
    Bit("FunctionMask", 14, RW).Summary(),
    Bit("Enable", 15, RW).Summary(),
};
constexpr FieldDef kMsixLocation[] = {
    Bits("BIR", 0, 2, RO, kBarIndex).Summary(),
    Bits("Offset", 3, 31, RO, kAddress).Summary(),
};
constexpr RegisterDef kMsix[] = {
    Reg(2, 2, "Ctrl", "Message Control", kMsixCtrl),
    Reg(4, 4, "Table", "Table Offset/BIR", kMsixLocation),
    Reg(8, 4, "PBA", "PBA Offset/BIR", kMsixLocation),
};

// Vendor-specific: a length byte, then the vendor's bytes.
constexpr RegisterDef kVendor[] = {
    Reg(2, 1, "Length", "Length", kWhole<8, RO, kBytes>),
    Reg(3, 1, "Byte3", "Vendor Byte 3", kWhole<8, RO>),
    Reg(4, 4, "DW", "dword", {}).Times(LengthCount(2, 0, 7, 63, 4, 1)),
};

// Bridge subsystem vendor ID.
constexpr RegisterDef kSubsystem[] = {
    Reg(4, 2, "SubVendorID", "Subsystem Vendor ID", kWhole<16, RO>),
    Reg(6, 2, "SubsystemID", "Subsystem ID", kWhole<16, RO>),
};

// Vital product data: an address register and a data window.
constexpr FieldDef kVpdAddress[] = {
    Bits("Address", 0, 14, RW).Summary(),
    Bit("Flag", 15, RW).Summary(),
};
constexpr RegisterDef kVpd[] = {
    Reg(2, 2, "Addr", "VPD Address", kVpdAddress),
    Reg(4, 4, "Data", "VPD Data", kWhole<32, RW>),
};

// Advanced features: function level reset for conventional PCI.
constexpr FieldDef kAfCap[] = {Bit("TP", 0, RO), Bit("FLR", 1, RO)};
constexpr FieldDef kAfCtrl[] = {Bit("InitiateFLR", 0, RW)};
constexpr FieldDef kAfStatus[] = {Bit("TransactionsPending", 0, RO).Summary()};
constexpr RegisterDef kAdvancedFeatures[] = {
    Reg(2, 1, "Length", "Length", kWhole<8, RO, kBytes>),
    Reg(3, 1, "Cap", "AF Capabilities", kAfCap),
    Reg(4, 1, "Ctrl", "AF Control", kAfCtrl),
    Reg(5, 1, "Status", "AF Status", kAfStatus),
};

constexpr StructureDef kStandard[] = {
    {"PM", 0x01, Space::Standard, "Power Management", kPm},
    {"VPD", 0x03, Space::Standard, "Vital Product Data", kVpd},
    {"MSI", 0x05, Space::Standard, "MSI", kMsi},
    {"VNDR", 0x09, Space::Standard, "Vendor Specific", kVendor},
    {"SSVID", 0x0D, Space::Standard, "Bridge Subsystem Vendor ID", kSubsystem},
    {"MSIX", 0x11, Space::Standard, "MSI-X", kMsix},
    {"AF", 0x13, Space::Standard, "Advanced Features", kAdvancedFeatures},
};

}  // namespace

std::span<const StructureDef> StandardStructures() {
    return kStandard;
}

}  // namespace pcidef
