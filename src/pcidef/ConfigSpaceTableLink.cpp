// SPDX-License-Identifier: MIT
// Extended capabilities of the link and its power: latency tolerance, L1
// substates, equalisation at 8, 16 and 32 GT/s, containment and precision
// time.
#include "pcidef/ConfigSpaceTable.h"
#include "pcidef/ConfigSpaceTableBuild.h"

namespace pcidef {
namespace {

using namespace build;
using enum Access;

// Latency Tolerance Reporting.
constexpr FieldDef kLatency[] = {
    Bits("Value", 0, 9, RW, kDecimal).Summary(),
    Bits("Scale", 10, 12, RW, kLatencyScale).Summary(),
};
constexpr RegisterDef kLtr[] = {
    Reg(0x04, 2, "MaxSnoop", "Max Snoop Latency", kLatency),
    Reg(0x06, 2, "MaxNoSnoop", "Max No-Snoop Latency", kLatency),
};

// L1 PM Substates.
constexpr ValueText kPowerOnScaleTexts[] = {{0, "x 2us"}, {1, "x 10us"}, {2, "x 100us"}};
constexpr Meaning kPowerOnScale{MeaningKind::Enum, kPowerOnScaleTexts};

constexpr FieldDef kL1ssCap[] = {
    Bit("PCIPML12", 0, RO).Summary(),
    Bit("PCIPML11", 1, RO).Summary(),
    Bit("ASPML12", 2, RO).Summary(),
    Bit("ASPML11", 3, RO).Summary(),
    Bit("L1PMSubstates", 4, RO),
    Bit("LinkActivation", 5, RO),
    Bits("CommonModeRestore", 8, 15, RO, kMicroseconds),
    Bits("PowerOnScale", 16, 17, RO, kPowerOnScale),
    Bits("PowerOnValue", 19, 23, RO, kDecimal),
};
constexpr FieldDef kL1ssCtl1[] = {
    Bit("PCIPML12", 0, RW).Summary(),
    Bit("PCIPML11", 1, RW).Summary(),
    Bit("ASPML12", 2, RW).Summary(),
    Bit("ASPML11", 3, RW).Summary(),
    Bit("LinkActivationInt", 4, RW),
    Bit("LinkActivationControl", 5, RW),
    Bits("CommonModeRestore", 8, 15, RW, kMicroseconds),
    Bits("LTRL12Value", 16, 25, RW, kDecimal),
    Bits("LTRL12Scale", 29, 31, RW, kLatencyScale),
};
constexpr FieldDef kL1ssCtl2[] = {
    Bits("PowerOnValue", 3, 7, RW, kDecimal).Summary(),
    Bits("PowerOnScale", 0, 1, RW, kPowerOnScale).Summary(),
};
constexpr RegisterDef kL1ss[] = {
    Reg(0x04, 4, "Cap", "L1 PM Substates Capabilities", kL1ssCap),
    Reg(0x08, 4, "Ctl1", "L1 PM Substates Control 1", kL1ssCtl1),
    Reg(0x0C, 4, "Ctl2", "L1 PM Substates Control 2", kL1ssCtl2),
};

// Secondary PCI Express: 8 GT/s equalisation, one control word per lane.
constexpr FieldDef kLnkCtl3[] = {
    Bit("PerformEq", 0, RW),
    Bit("EqRequestInt", 1, RW),
    Bits("LowerSKPGen", 9, 15, RW),
};
constexpr FieldDef kLaneEq8[] = {
    Bits("DspTxPreset", 0, 3, RO, kDecimal).Summary(),
    Bits("DspRxHint", 4, 6, RO, kDecimal),
    Bits("UspTxPreset", 8, 11, RO, kDecimal).Summary(),
    Bits("UspRxHint", 12, 14, RO, kDecimal),
};
constexpr RegisterDef kSecondary[] = {
    Reg(0x04, 4, "LnkCtl3", "Link Control 3", kLnkCtl3),
    Reg(0x08, 4, "LaneErrSta", "Lane Error Status", kWhole<32, RW1C>),
    Reg(0x0C, 2, "LaneEq", "Lane Equalization Control", kLaneEq8).Times(LaneCount(2)),
};

// Physical layer 16.0 and 32.0 GT/s: one equalisation byte per lane.
constexpr FieldDef kEqStatus16[] = {
    Bit("EqComplete", 0, RO).Summary(),
    Bit("EqPhase1", 1, RO),
    Bit("EqPhase2", 2, RO),
    Bit("EqPhase3", 3, RO),
    Bit("LinkEqRequest", 4, RW1C),
};
constexpr FieldDef kLaneEq[] = {
    Bits("DspTxPreset", 0, 3, RO, kDecimal).Summary(),
    Bits("UspTxPreset", 4, 7, RO, kDecimal).Summary(),
};
constexpr RegisterDef kPhysical16[] = {
    Reg(0x04, 4, "Cap", "16.0 GT/s Capabilities"),
    Reg(0x08, 4, "Ctl", "16.0 GT/s Control"),
    Reg(0x0C, 4, "Sta", "16.0 GT/s Status", kEqStatus16),
    Reg(0x10, 4, "LocalParity", "Local Data Parity Mismatch Status", kWhole<32, RW1C>),
    Reg(0x14, 4, "FirstRetimerParity", "First Retimer Data Parity Mismatch Status", kWhole<32, RO>),
    Reg(0x18, 4, "SecondRetimerParity", "Second Retimer Data Parity Mismatch Status",
        kWhole<32, RO>),
    Reg(0x20, 1, "LaneEq", "16.0 GT/s Lane Equalization Control", kLaneEq).Times(LaneCount(1)),
};

constexpr ValueText kModifiedTsTexts[] = {
    {0, "PCI Express"}, {1, "training set messages"}, {2, "alternate protocol"}};
constexpr Meaning kModifiedTsModes{MeaningKind::BitList, kModifiedTsTexts};
constexpr FieldDef kCap32[] = {
    Bit("EqBypass", 0, RO).Summary(),
    Bit("NoEqNeeded", 1, RO).Summary(),
    Bits("ModifiedTSModes", 8, 10, RO, kModifiedTsModes),
};
constexpr FieldDef kCtl32[] = {
    Bit("EqBypassDisable", 0, RW),
    Bit("NoEqNeededDisable", 1, RW),
    Bits("ModifiedTSMode", 8, 10, RW, kDecimal),
};
constexpr FieldDef kSta32[] = {
    Bit("EqComplete", 0, RO).Summary(),
    Bit("EqPhase1", 1, RO),
    Bit("EqPhase2", 2, RO),
    Bit("EqPhase3", 3, RO),
    Bit("LinkEqRequest", 4, RW1C),
    Bit("ModifiedTSReceived", 5, RO),
    Bits("ReceivedELBC", 6, 7, RO),
    Bit("TxPrecodingOn", 8, RO),
    Bit("TxPrecodeRequest", 9, RO),
    Bit("NoEqNeededReceived", 10, RO),
};
constexpr RegisterDef kPhysical32[] = {
    Reg(0x04, 4, "Cap", "32.0 GT/s Capabilities", kCap32),
    Reg(0x08, 4, "Ctl", "32.0 GT/s Control", kCtl32),
    Reg(0x0C, 4, "Sta", "32.0 GT/s Status", kSta32),
    Reg(0x10, 4, "RcvModTS1", "Received Modified TS Data 1", kWhole<32, RO>),
    Reg(0x14, 4, "RcvModTS2", "Received Modified TS Data 2", kWhole<32, RO>),
    Reg(0x18, 4, "TxModTS1", "Transmitted Modified TS Data 1", kWhole<32, RW>),
    Reg(0x1C, 4, "TxModTS2", "Transmitted Modified TS Data 2", kWhole<32, RW>),
    Reg(0x20, 1, "LaneEq", "32.0 GT/s Lane Equalization Control", kLaneEq).Times(LaneCount(1)),
};

// Downstream Port Containment: the root port's PIO registers follow when the
// capability says it has them.
constexpr ValueText kTriggerTexts[] = {
    {0, "off"}, {1, "on ERR_FATAL"}, {2, "on ERR_NONFATAL or ERR_FATAL"}};
constexpr Meaning kTrigger{MeaningKind::Enum, kTriggerTexts};
constexpr ValueText kReasonTexts[] = {
    {0, "uncorrectable error"}, {1, "ERR_NONFATAL"}, {2, "ERR_FATAL"}, {3, "extension"}};
constexpr Meaning kReason{MeaningKind::Enum, kReasonTexts};
constexpr ValueText kReasonExtensionTexts[] = {{0, "RP PIO error"}, {1, "software trigger"}};
constexpr Meaning kReasonExtension{MeaningKind::Enum, kReasonExtensionTexts};

constexpr FieldDef kDpcCap[] = {
    Bits("IntMsg", 0, 4, RO, kDecimal),      Bit("RPExtensions", 5, RO).Summary(),
    Bit("PoisonedBlocking", 6, RO),          Bit("SwTrigger", 7, RO),
    Bits("PIOLogSize", 8, 11, RO, kDecimal), Bit("DLActiveErrCor", 12, RO),
};
constexpr FieldDef kDpcCtl[] = {
    Bits("Trigger", 0, 1, RW, kTrigger).Summary(),
    Bit("CompletionControl", 2, RW),
    Bit("IntEnable", 3, RW),
    Bit("ErrCorEnable", 4, RW),
    Bit("PoisonedBlocking", 5, RW),
    Bit("SwTrigger", 6, RW),
    Bit("DLActiveErrCor", 7, RW),
};
constexpr FieldDef kDpcSta[] = {
    Bit("Triggered", 0, RW1C).Summary(),
    Bits("Reason", 1, 2, RO, kReason),
    Bit("IntStatus", 3, RW1C),
    Bit("RPBusy", 4, RO),
    Bits("ReasonExtension", 5, 6, RO, kReasonExtension),
    Bits("PIOFirstErr", 8, 12, RO, kDecimal),
};
constexpr Condition kPio = BitSet(0x04, 5);

constexpr RegisterDef kDpc[] = {
    Reg(0x04, 2, "Cap", "DPC Capability", kDpcCap),
    Reg(0x06, 2, "Ctl", "DPC Control", kDpcCtl),
    Reg(0x08, 2, "Sta", "DPC Status", kDpcSta),
    Reg(0x0A, 2, "SourceID", "DPC Error Source ID", kWhole<16, RO>),
    Reg(0x0C, 4, "PIOSta", "RP PIO Status", kWhole<32, RW1C>).When(kPio),
    Reg(0x10, 4, "PIOMask", "RP PIO Mask", kWhole<32, RW>).When(kPio),
    Reg(0x14, 4, "PIOSev", "RP PIO Severity", kWhole<32, RW>).When(kPio),
    Reg(0x18, 4, "PIOSysErr", "RP PIO SysError", kWhole<32, RW>).When(kPio),
    Reg(0x1C, 4, "PIOException", "RP PIO Exception", kWhole<32, RW>).When(kPio),
    Reg(0x20, 4, "PIOHeaderLog", "RP PIO Header Log", kWhole<32, RO>).When(kPio).Times(Fixed(4, 4)),
    Reg(0x30, 4, "PIOImpSpecLog", "RP PIO ImpSpec Log", kWhole<32, RO>)
        .When(kPio)
        .When(FieldIn(0x04, 8, 11, AtLeast(5))),
    Reg(0x34, 4, "PIOPrefixLog", "RP PIO TLP Prefix Log", kWhole<32, RO>)
        .When(kPio)
        .Times(FieldCount(0x04, 8, 11, -5, 4, 4)),
};

// Precision Time Measurement.
constexpr Meaning kNanoseconds{MeaningKind::Decimal, {}, 1, 63, "ns"};
constexpr FieldDef kPtmCap[] = {
    Bit("Requester", 0, RO).Summary(),
    Bit("Responder", 1, RO).Summary(),
    Bit("Root", 2, RO).Summary(),
    Bit("ePTM", 3, RO),
    Bits("Granularity", 8, 15, RO, kNanoseconds),
};
constexpr FieldDef kPtmCtl[] = {
    Bit("Enable", 0, RW).Summary(),
    Bit("RootSelect", 1, RW).Summary(),
    Bits("Granularity", 8, 15, RW, kNanoseconds),
};
constexpr RegisterDef kPtm[] = {
    Reg(0x04, 4, "Cap", "PTM Capability", kPtmCap),
    Reg(0x08, 4, "Ctl", "PTM Control", kPtmCtl),
};

constexpr StructureDef kLink[] = {
    {"LTR", 0x0018, Space::Extended, "Latency Tolerance Reporting", kLtr},
    {"SECPCI", 0x0019, Space::Extended, "Secondary PCI Express", kSecondary},
    {"DPC", 0x001D, Space::Extended, "Downstream Port Containment", kDpc},
    {"L1SS", 0x001E, Space::Extended, "L1 PM Substates", kL1ss},
    {"PTM", 0x001F, Space::Extended, "Precision Time Measurement", kPtm},
    {"PL16", 0x0026, Space::Extended, "Physical Layer 16.0 GT/s", kPhysical16},
    {"PL32", 0x002A, Space::Extended, "Physical Layer 32.0 GT/s", kPhysical32},
};

}  // namespace

std::span<const StructureDef> LinkStructures() {
    return kLink;
}

}  // namespace pcidef
