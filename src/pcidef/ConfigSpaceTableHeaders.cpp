// SPDX-License-Identifier: MIT
// The type 0, type 1 and CardBus headers, and the part of the header every
// layout shares.
#include "pcidef/ConfigRegisters.h"
#include "pcidef/ConfigSpaceTable.h"
#include "pcidef/ConfigSpaceTableBuild.h"

namespace pcidef {
namespace {

using namespace build;
using enum Access;
using namespace pcireg;

constexpr FieldDef kCommandFields[] = {
    Bit("IO", 0, RW).Summary(),
    Bit("Memory", 1, RW).Summary(),
    Bit("BusMaster", 2, RW).Summary(),
    Bit("SpecialCycles", 3, RW),
    Bit("MemWriteInvalidate", 4, RW),
    Bit("VGAPaletteSnoop", 5, RW),
    Bit("ParityError", 6, RW),
    Bit("Stepping", 7, RO),
    Bit("SERR", 8, RW),
    Bit("FastB2B", 9, RW),
    Bit("IntxDisable", 10, RW).Summary(),
    Bits("Reserved", 11, 15, RsvdP),
};

constexpr ValueText kDevselTexts[] = {{0, "fast"}, {1, "medium"}, {2, "slow"}};
constexpr Meaning kDevsel{MeaningKind::Enum, kDevselTexts};

// The bits the Status and Secondary Status registers share.
constexpr std::array kStatusShared = {
    Bit("66MHz", 5, RO),
    Bit("FastB2B", 7, RO),
    Bit("MasterDataParity", 8, RW1C),
    Bits("DEVSEL", 9, 10, RO, kDevsel),
    Bit("SigTargetAbort", 11, RW1C),
    Bit("RcvTargetAbort", 12, RW1C),
    Bit("RcvMasterAbort", 13, RW1C),
    Bit("DetectedParity", 15, RW1C),
};

constexpr auto kStatusFields = InBitOrder(Join(
    std::array{
        Bit("ImmediateReadiness", 0, RO),
        Bit("Interrupt", 3, RO),
        Bit("CapList", 4, RO),
        Bit("SigSystemError", 14, RW1C),
    },
    kStatusShared));

constexpr FieldDef kClassCodeFields[] = {
    Bits("ProgIF", 0, 7, RO).Summary(),
    Bits("SubClass", 8, 15, RO).Summary(),
    Bits("BaseClass", 16, 23, RO).Summary(),
};

constexpr ValueText kLayoutTexts[] = {
    {0, "type 0"}, {1, "type 1 (PCI bridge)"}, {2, "type 2 (CardBus bridge)"}};
constexpr Meaning kLayout{MeaningKind::Enum, kLayoutTexts};

constexpr FieldDef kHeaderTypeFields[] = {
    Bits("Layout", 0, 6, RO, kLayout).Summary(),
    Bit("MultiFunction", 7, RO).Summary(),
};

constexpr FieldDef kBistFields[] = {
    Bits("Completion", 0, 3, RO),
    Bit("Start", 6, RW),
    Bit("Capable", 7, RO),
};

constexpr Meaning kDwords{MeaningKind::Decimal, {}, 1, 63, "dwords"};
constexpr Meaning kClocks{MeaningKind::Decimal, {}, 1, 63, "clocks"};

constexpr std::array kCommon = {
    Reg(kVendorId, 2, "VendorID", "Vendor ID", kWhole<16, RO>),
    Reg(kDeviceId, 2, "DeviceID", "Device ID", kWhole<16, RO>),
    Reg(kCommand, 2, "Command", "Command", kCommandFields),
    Reg(kStatus, 2, "Status", "Status", kStatusFields),
    Reg(kRevisionId, 1, "Revision", "Revision ID", kWhole<8, RO>),
    Reg(kClassCode, 3, "ClassCode", "Class Code", kClassCodeFields),
    Reg(kCacheLineSize, 1, "CacheLine", "Cache Line Size", kWhole<8, RW, kDwords>),
    Reg(kLatencyTimer, 1, "LatencyTimer", "Latency Timer", kWhole<8, RW, kClocks>),
    Reg(kHeaderType, 1, "HeaderType", "Header Type", kHeaderTypeFields),
    Reg(kBist, 1, "BIST", "BIST", kBistFields),
};

// Base address registers: a memory BAR, an I/O BAR, or the upper half of the
// 64-bit memory BAR before it.

constexpr FieldDef kIoBar[] = {
    Bits("Space", 0, 0, RO, kSpace).Summary(),
    Bits("Address", 2, 31, RW, kAddress).Summary(),
};
constexpr FieldDef kUpperBar[] = {Bits("AddressUpper", 0, 31, RW).Summary()};

constexpr std::array<RegisterDef, 3> Bar(uint16_t offset, std::string_view name,
                                         std::string_view display) {
    constexpr uint32_t kLower = 1u << 0, kUpper = 1u << 1;
    return {
        Reg(offset, 4, name, display, kMemoryBar)
            .When({ConditionKind::BarUpperHalf, offset, 0, 0, kLower})
            .When(FieldIs(offset, 0, 0, 0)),
        Reg(offset, 4, name, display, kIoBar)
            .When({ConditionKind::BarUpperHalf, offset, 0, 0, kLower})
            .When(FieldIs(offset, 0, 0, 1)),
        Reg(offset, 4, name, display, kUpperBar)
            .When({ConditionKind::BarUpperHalf, offset, 0, 0, kUpper}),
    };
}

constexpr FieldDef kRom[] = {
    Bit("Enable", 0, RW).Summary(),
    Bits("Address", 11, 31, RW, kAddress).Summary(),
};

constexpr ValueText kPinTexts[] = {{0, "none"}, {1, "INTA"}, {2, "INTB"}, {3, "INTC"}, {4, "INTD"}};
constexpr Meaning kPin{MeaningKind::Enum, kPinTexts};

constexpr std::array kType0Tail = {
    Reg(kCardbusCis, 4, "CardbusCIS", "CardBus CIS Pointer", kWhole<32, RO>),
    Reg(kSubsystemVendorId, 2, "SubVendorID", "Subsystem Vendor ID", kWhole<16, RO>),
    Reg(kSubsystemId, 2, "SubsystemID", "Subsystem ID", kWhole<16, RO>),
    Reg(kExpansionRom, 4, "ROM", "Expansion ROM Base Address", kRom),
    Reg(kCapabilityPointer, 1, "CapPtr", "Capabilities Pointer", kWhole<8, RO>),
    Reg(kInterruptLine, 1, "IntLine", "Interrupt Line", kWhole<8, RW, kDecimal>),
    Reg(kInterruptPin, 1, "IntPin", "Interrupt Pin", kWhole<8, RO, kPin>),
    Reg(kMinGrant, 1, "MinGnt", "Min_Gnt", kWhole<8, RO, kDecimal>),
    Reg(kMaxLatency, 1, "MaxLat", "Max_Lat", kWhole<8, RO, kDecimal>),
};

constexpr auto kType0 =
    Join(kCommon, Bar(kBar0, "BAR0", "Base Address 0"), Bar(kBar0 + 4, "BAR1", "Base Address 1"),
         Bar(kBar0 + 8, "BAR2", "Base Address 2"), Bar(kBar0 + 12, "BAR3", "Base Address 3"),
         Bar(kBar0 + 16, "BAR4", "Base Address 4"), Bar(kBar0 + 20, "BAR5", "Base Address 5"),
         kType0Tail);

// Bridge windows: the register holds the upper bits of the address.
constexpr Meaning kIoWindow{MeaningKind::Address, {}, 0x100};
constexpr Meaning kMemoryWindow{MeaningKind::Address, {}, 0x10000};
constexpr ValueText kIoDecodeTexts[] = {{0, "16-bit"}, {1, "32-bit"}};
constexpr Meaning kIoDecode{MeaningKind::Enum, kIoDecodeTexts};
constexpr ValueText kPrefetchDecodeTexts[] = {{0, "32-bit"}, {1, "64-bit"}};
constexpr Meaning kPrefetchDecode{MeaningKind::Enum, kPrefetchDecodeTexts};

constexpr FieldDef kIoWindowFields[] = {
    Bits("Decode", 0, 3, RO, kIoDecode),
    Bits("Address", 4, 7, RW, kIoWindow).Summary(),
};
constexpr FieldDef kMemoryWindowFields[] = {Bits("Address", 4, 15, RW, kMemoryWindow).Summary()};
constexpr FieldDef kPrefetchWindowFields[] = {
    Bits("Decode", 0, 3, RO, kPrefetchDecode),
    Bits("Address", 4, 15, RW, kMemoryWindow).Summary(),
};

constexpr auto kSecondaryStatusFields =
    InBitOrder(Join(std::array{Bit("RcvSystemError", 14, RW1C)}, kStatusShared));

constexpr FieldDef kBridgeControlFields[] = {
    Bit("ParityResponse", 0, RW),
    Bit("SERR", 1, RW),
    Bit("ISA", 2, RW),
    Bit("VGA", 3, RW),
    Bit("VGA16", 4, RW),
    Bit("MasterAbort", 5, RW),
    Bit("SecBusReset", 6, RW).Summary(),
    Bit("FastB2B", 7, RW),
    Bit("PrimaryDiscardTimeout", 8, RW),
    Bit("SecDiscardTimeout", 9, RW),
    Bit("DiscardTimerStatus", 10, RW1C),
    Bit("DiscardTimerSERR", 11, RW),
};

constexpr std::array kType1Tail = {
    Reg(kPrimaryBus, 1, "PrimaryBus", "Primary Bus Number", kWhole<8, RW>),
    Reg(kSecondaryBus, 1, "SecondaryBus", "Secondary Bus Number", kWhole<8, RW>),
    Reg(kSubordinateBus, 1, "SubordinateBus", "Subordinate Bus Number", kWhole<8, RW>),
    Reg(kSecondaryLatency, 1, "SecLatency", "Secondary Latency Timer", kWhole<8, RW, kClocks>),
    Reg(kIoBase, 1, "IOBase", "I/O Base", kIoWindowFields),
    Reg(kIoLimit, 1, "IOLimit", "I/O Limit", kIoWindowFields),
    Reg(kSecondaryStatus, 2, "SecStatus", "Secondary Status", kSecondaryStatusFields),
    Reg(kMemoryBase, 2, "MemBase", "Memory Base", kMemoryWindowFields),
    Reg(kMemoryLimit, 2, "MemLimit", "Memory Limit", kMemoryWindowFields),
    Reg(kPrefetchBase, 2, "PrefBase", "Prefetchable Memory Base", kPrefetchWindowFields),
    Reg(kPrefetchLimit, 2, "PrefLimit", "Prefetchable Memory Limit", kPrefetchWindowFields),
    Reg(kPrefetchBaseUpper, 4, "PrefBaseUpper", "Prefetchable Base Upper 32 Bits", kWhole<32, RW>),
    Reg(kPrefetchLimitUpper, 4, "PrefLimitUpper", "Prefetchable Limit Upper 32 Bits",
        kWhole<32, RW>),
    Reg(kIoBaseUpper, 2, "IOBaseUpper", "I/O Base Upper 16 Bits", kWhole<16, RW>),
    Reg(kIoLimitUpper, 2, "IOLimitUpper", "I/O Limit Upper 16 Bits", kWhole<16, RW>),
    Reg(kCapabilityPointer, 1, "CapPtr", "Capabilities Pointer", kWhole<8, RO>),
    Reg(kBridgeExpansionRom, 4, "ROM", "Expansion ROM Base Address", kRom),
    Reg(kInterruptLine, 1, "IntLine", "Interrupt Line", kWhole<8, RW, kDecimal>),
    Reg(kInterruptPin, 1, "IntPin", "Interrupt Pin", kWhole<8, RO, kPin>),
    Reg(kBridgeControl, 2, "BridgeCtl", "Bridge Control", kBridgeControlFields),
};

constexpr auto kType1 = Join(kCommon, Bar(kBar0, "BAR0", "Base Address 0"),
                             Bar(kBar0 + 4, "BAR1", "Base Address 1"), kType1Tail);

constexpr std::array kType2Tail = {
    Reg(kCardbusSocketBase, 4, "SocketBase", "CardBus Socket Base Address", kWhole<32, RW>),
    Reg(kCardbusCapabilityPointer, 1, "CapPtr", "Capabilities Pointer", kWhole<8, RO>),
    Reg(kCardbusSecondaryStatus, 2, "SecStatus", "Secondary Status", kSecondaryStatusFields),
    Reg(kPrimaryBus, 1, "PrimaryBus", "PCI Bus Number", kWhole<8, RW>),
    Reg(kCardbusBus, 1, "CardBusBus", "CardBus Bus Number", kWhole<8, RW>),
    Reg(kSubordinateBus, 1, "SubordinateBus", "Subordinate Bus Number", kWhole<8, RW>),
    Reg(kSecondaryLatency, 1, "CardBusLatency", "CardBus Latency Timer", kWhole<8, RW, kClocks>),
    Reg(kCardbusMemoryBase0, 4, "MemBase0", "Memory Base 0", kWhole<32, RW>),
    Reg(kCardbusMemoryBase0 + 4, 4, "MemLimit0", "Memory Limit 0", kWhole<32, RW>),
    Reg(kCardbusMemoryBase0 + 8, 4, "MemBase1", "Memory Base 1", kWhole<32, RW>),
    Reg(kCardbusMemoryBase0 + 12, 4, "MemLimit1", "Memory Limit 1", kWhole<32, RW>),
    Reg(kCardbusIoBase0, 4, "IOBase0", "I/O Base 0", kWhole<32, RW>),
    Reg(kCardbusIoBase0 + 4, 4, "IOLimit0", "I/O Limit 0", kWhole<32, RW>),
    Reg(kCardbusIoBase0 + 8, 4, "IOBase1", "I/O Base 1", kWhole<32, RW>),
    Reg(kCardbusIoBase0 + 12, 4, "IOLimit1", "I/O Limit 1", kWhole<32, RW>),
    Reg(kInterruptLine, 1, "IntLine", "Interrupt Line", kWhole<8, RW, kDecimal>),
    Reg(kInterruptPin, 1, "IntPin", "Interrupt Pin", kWhole<8, RO, kPin>),
    Reg(kBridgeControl, 2, "BridgeCtl", "Bridge Control", kWhole<16, RW>),
};

constexpr auto kType2 = Join(kCommon, kType2Tail);

// A layout the description does not know: the shared part, then dwords.
constexpr std::array kUnknownTail = {
    Reg(kBar0, 4, "DW", "dword", {}).Times(NominalCount(kBar0 / 4)),
};
constexpr auto kUnknownLayout = Join(kCommon, kUnknownTail);

constexpr StructureDef kHeaders[] = {
    {"", kHeaderTypeNormal, Space::Header, "Header", kType0},
    {"", kHeaderTypeBridge, Space::Header, "Bridge header", kType1},
    {"", kHeaderTypeCardbus, Space::Header, "CardBus header", kType2},
    {"", 0x7F, Space::Header, "Header", kUnknownLayout, kHeaderSize},
};

}  // namespace

std::span<const StructureDef> HeaderStructures() {
    return kHeaders;
}

}  // namespace pcidef
