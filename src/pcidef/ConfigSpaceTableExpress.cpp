// SPDX-License-Identifier: MIT
// The PCI Express capability: device, link, slot and root registers, and
// their "2" versions, present by capability version and device/port type.
#include "pcidef/ConfigSpaceTable.h"
#include "pcidef/ConfigSpaceTableBuild.h"

namespace pcidef {
namespace {

using namespace build;
using enum Access;

constexpr Condition kSlot = BitSet(2, 8);
constexpr Condition kVersion2 = FieldIn(2, 0, 3, AtLeast(2));
constexpr Condition kRootOrCollector = FieldIn(2, 4, 7, kRootPort | kEventCollector);
// Functions inside the root complex have no link of their own.
constexpr Condition kLink = FieldIn(2, 4, 7, ~(kIntegratedEndpoint | kEventCollector));

constexpr ValueText kPortTypeTexts[] = {{0, "Endpoint"},
                                        {1, "Legacy Endpoint"},
                                        {4, "Root Port"},
                                        {5, "Upstream Port"},
                                        {6, "Downstream Port"},
                                        {7, "PCI Express to PCI/PCI-X Bridge"},
                                        {8, "PCI/PCI-X to PCI Express Bridge"},
                                        {9, "Root Complex Integrated Endpoint"},
                                        {10, "Root Complex Event Collector"}};
constexpr Meaning kPortType{MeaningKind::Enum, kPortTypeTexts};

constexpr FieldDef kFlags[] = {
    Bits("Version", 0, 3, RO, kDecimal),
    Bits("Type", 4, 7, RO, kPortType).Summary(),
    Bit("Slot", 8, RO).Summary(),
    Bits("IntMsg", 9, 13, RO, kDecimal),
};

// Device.
constexpr Meaning kPayload{MeaningKind::Pow2, {}, 128, 5, "bytes"};
constexpr ValueText kL0sAcceptableTexts[] = {{0, "<64ns"},  {1, "<128ns"},   {2, "<256ns"},
                                             {3, "<512ns"}, {4, "<1us"},     {5, "<2us"},
                                             {6, "<4us"},   {7, "unlimited"}};
constexpr Meaning kL0sAcceptable{MeaningKind::Enum, kL0sAcceptableTexts};
constexpr ValueText kL1AcceptableTexts[] = {{0, "<1us"},  {1, "<2us"},     {2, "<4us"},
                                            {3, "<8us"},  {4, "<16us"},    {5, "<32us"},
                                            {6, "<64us"}, {7, "unlimited"}};
constexpr Meaning kL1Acceptable{MeaningKind::Enum, kL1AcceptableTexts};
constexpr ValueText kPowerScaleTexts[] = {
    {0, "x 1W"}, {1, "x 0.1W"}, {2, "x 0.01W"}, {3, "x 0.001W"}};
constexpr Meaning kPowerScale{MeaningKind::Enum, kPowerScaleTexts};

constexpr FieldDef kDevCap[] = {
    Bits("MaxPayload", 0, 2, RO, kPayload).Summary(),
    Bits("PhantomFunc", 3, 4, RO, kDecimal),
    Bit("ExtTag", 5, RO),
    Bits("L0sLatency", 6, 8, RO, kL0sAcceptable),
    Bits("L1Latency", 9, 11, RO, kL1Acceptable),
    Bit("AttnButton", 12, RO),
    Bit("AttnIndicator", 13, RO),
    Bit("PowerIndicator", 14, RO),
    Bit("RoleBasedErr", 15, RO),
    Bits("SlotPowerValue", 18, 25, RO, kDecimal),
    Bits("SlotPowerScale", 26, 27, RO, kPowerScale),
    Bit("FLR", 28, RO).Summary(),
};
constexpr FieldDef kDevCtl[] = {
    Bit("CorrErrReport", 0, RW),
    Bit("NonFatalReport", 1, RW),
    Bit("FatalReport", 2, RW),
    Bit("UnsupReqReport", 3, RW),
    Bit("RelaxedOrdering", 4, RW),
    Bits("MaxPayload", 5, 7, RW, kPayload).Summary(),
    Bit("ExtTag", 8, RW),
    Bit("PhantomFunc", 9, RW),
    Bit("AuxPower", 10, RW),
    Bit("NoSnoop", 11, RW),
    Bits("MaxReadReq", 12, 14, RW, kPayload).Summary(),
    Bit("InitiateFLR", 15, RW),
};
constexpr FieldDef kDevSta[] = {
    Bit("CorrErr", 0, RW1C),        Bit("NonFatalErr", 1, RW1C), Bit("FatalErr", 2, RW1C),
    Bit("UnsupReq", 3, RW1C),       Bit("AuxPower", 4, RO),      Bit("TransPending", 5, RO),
    Bit("EmergencyPower", 6, RW1C),
};

// Link.
constexpr ValueText kAspmSupportTexts[] = {
    {0, "no ASPM"}, {1, "ASPM L0s"}, {2, "ASPM L1"}, {3, "ASPM L0s L1"}};
constexpr Meaning kAspmSupport{MeaningKind::Enum, kAspmSupportTexts};
constexpr ValueText kAspmControlTexts[] = {
    {0, "ASPM off"}, {1, "ASPM L0s"}, {2, "ASPM L1"}, {3, "ASPM L0s L1"}};
constexpr Meaning kAspmControl{MeaningKind::Enum, kAspmControlTexts};
constexpr ValueText kL0sExitTexts[] = {{0, "<64ns"}, {1, "<128ns"}, {2, "<256ns"}, {3, "<512ns"},
                                       {4, "<1us"},  {5, "<2us"},   {6, "<4us"},   {7, ">4us"}};
constexpr Meaning kL0sExit{MeaningKind::Enum, kL0sExitTexts};
constexpr ValueText kL1ExitTexts[] = {{0, "<1us"},  {1, "<2us"},  {2, "<4us"},  {3, "<8us"},
                                      {4, "<16us"}, {5, "<32us"}, {6, "<64us"}, {7, ">64us"}};
constexpr Meaning kL1Exit{MeaningKind::Enum, kL1ExitTexts};
constexpr ValueText kRcbTexts[] = {{0, "64 bytes"}, {1, "128 bytes"}};
constexpr Meaning kRcb{MeaningKind::Enum, kRcbTexts};

constexpr FieldDef kLnkCap[] = {
    Bits("Speed", 0, 3, RO, kLinkSpeed).Summary(),
    Bits("Width", 4, 9, RO, kLinkWidth).Summary(),
    Bits("ASPM", 10, 11, RO, kAspmSupport).Summary(),
    Bits("L0sExit", 12, 14, RO, kL0sExit),
    Bits("L1Exit", 15, 17, RO, kL1Exit),
    Bit("ClockPM", 18, RO),
    Bit("SurpriseDown", 19, RO),
    Bit("DLLActiveReporting", 20, RO),
    Bit("BwNotification", 21, RO),
    Bit("ASPMOptionality", 22, RO),
    Bits("PortNumber", 24, 31, RO, kDecimal),
};
constexpr FieldDef kLnkCtl[] = {
    Bits("ASPM", 0, 1, RW, kAspmControl).Summary(),
    Bits("RCB", 3, 3, RW, kRcb),
    Bit("LinkDisable", 4, RW).Summary(),
    Bit("Retrain", 5, RW),
    Bit("CommonClock", 6, RW),
    Bit("ExtSynch", 7, RW),
    Bit("ClockPM", 8, RW),
    Bit("HwAutoWidthDisable", 9, RW),
    Bit("BwMgmtInt", 10, RW),
    Bit("AutoBwInt", 11, RW),
};
constexpr FieldDef kLnkSta[] = {
    Bits("Speed", 0, 3, RO, kLinkSpeed).Summary(),
    Bits("Width", 4, 9, RO, kLinkWidth).Summary(),
    Bit("Training", 11, RO),
    Bit("SlotClock", 12, RO),
    Bit("DLLActive", 13, RO),
    Bit("BwMgmt", 14, RW1C),
    Bit("AutoBw", 15, RW1C),
};

// Slot.
constexpr ValueText kIndicatorTexts[] = {{1, "on"}, {2, "blink"}, {3, "off"}};
constexpr Meaning kIndicator{MeaningKind::Enum, kIndicatorTexts};
constexpr ValueText kPowerControlTexts[] = {{0, "power on"}, {1, "power off"}};
constexpr Meaning kPowerControl{MeaningKind::Enum, kPowerControlTexts};

constexpr FieldDef kSltCap[] = {
    Bit("AttnButton", 0, RO),
    Bit("PowerController", 1, RO),
    Bit("MRLSensor", 2, RO),
    Bit("AttnIndicator", 3, RO),
    Bit("PowerIndicator", 4, RO),
    Bit("HotPlugSurprise", 5, RO),
    Bit("HotPlug", 6, RO).Summary(),
    Bits("PowerLimitValue", 7, 14, RO, kDecimal),
    Bits("PowerLimitScale", 15, 16, RO, kPowerScale),
    Bit("EMInterlock", 17, RO),
    Bit("NoCmdCompleted", 18, RO),
    Bits("SlotNumber", 19, 31, RO, kDecimal).Summary(),
};
constexpr FieldDef kSltCtl[] = {
    Bit("AttnButtonEnable", 0, RW),
    Bit("PowerFaultEnable", 1, RW),
    Bit("MRLEnable", 2, RW),
    Bit("PresenceEnable", 3, RW),
    Bit("CmdCompletedEnable", 4, RW),
    Bit("HotPlugIntEnable", 5, RW),
    Bits("AttnIndicator", 6, 7, RW, kIndicator),
    Bits("PowerIndicator", 8, 9, RW, kIndicator),
    Bits("PowerControl", 10, 10, RW, kPowerControl).Summary(),
    Bit("EMInterlock", 11, RW),
    Bit("DLLStateEnable", 12, RW),
    Bit("AutoPowerLimitDisable", 13, RW),
    Bit("InbandPDDisable", 14, RW),
};
constexpr FieldDef kSltSta[] = {
    Bit("AttnButton", 0, RW1C),      Bit("PowerFault", 1, RW1C),   Bit("MRLChanged", 2, RW1C),
    Bit("PresenceChanged", 3, RW1C), Bit("CmdCompleted", 4, RW1C), Bit("MRLOpen", 5, RO),
    Bit("Presence", 6, RO),          Bit("EMInterlock", 7, RO),    Bit("DLLStateChanged", 8, RW1C),
};

// Root.
constexpr FieldDef kRootCtl[] = {
    Bit("SysErrCorr", 0, RW), Bit("SysErrNonFatal", 1, RW), Bit("SysErrFatal", 2, RW),
    Bit("PMEInt", 3, RW),     Bit("CRSVisibility", 4, RW),
};
constexpr FieldDef kRootCap[] = {Bit("CRSVisibility", 0, RO)};
constexpr FieldDef kRootSta[] = {
    Bits("PMERequester", 0, 15, RO),
    Bit("PMEStatus", 16, RW1C).Summary(),
    Bit("PMEPending", 17, RO).Summary(),
};

// The "2" registers.
constexpr ValueText kTimeoutRangeTexts[] = {{0, "A"}, {1, "B"}, {2, "C"}, {3, "D"}};
constexpr Meaning kTimeoutRanges{MeaningKind::BitList, kTimeoutRangeTexts};
constexpr ValueText kTphCompleterTexts[] = {{0, "none"}, {1, "TPH"}, {3, "TPH and extended TPH"}};
constexpr Meaning kTphCompleter{MeaningKind::Enum, kTphCompleterTexts};
constexpr ValueText kClsTexts[] = {{0, "none"}, {1, "64 bytes"}, {2, "128 bytes"}};
constexpr Meaning kCacheLineSystem{MeaningKind::Enum, kClsTexts};
constexpr ValueText kObffSupportTexts[] = {
    {0, "none"}, {1, "message"}, {2, "WAKE#"}, {3, "message and WAKE#"}};
constexpr Meaning kObffSupport{MeaningKind::Enum, kObffSupportTexts};
constexpr ValueText kEmergencyTexts[] = {
    {0, "none"}, {1, "device specific"}, {2, "form factor or device specific"}};
constexpr Meaning kEmergency{MeaningKind::Enum, kEmergencyTexts};

constexpr FieldDef kDevCap2[] = {
    Bits("CompTimeoutRanges", 0, 3, RO, kTimeoutRanges).Summary(),
    Bit("CompTimeoutDisable", 4, RO),
    Bit("ARIForwarding", 5, RO).Summary(),
    Bit("AtomicRouting", 6, RO),
    Bit("Atomic32", 7, RO),
    Bit("Atomic64", 8, RO),
    Bit("CAS128", 9, RO),
    Bit("NoROPassing", 10, RO),
    Bit("LTR", 11, RO).Summary(),
    Bits("TPHCompleter", 12, 13, RO, kTphCompleter),
    Bits("LNSystemCLS", 14, 15, RO, kCacheLineSystem),
    Bit("TenBitTagCompleter", 16, RO),
    Bit("TenBitTagRequester", 17, RO),
    Bits("OBFF", 18, 19, RO, kObffSupport),
    Bit("ExtFmt", 20, RO),
    Bit("EETLPPrefix", 21, RO),
    Bits("MaxEETLPPrefixes", 22, 23, RO, kDecimal),
    Bits("EmergencyPower", 24, 25, RO, kEmergency),
    Bit("EmergencyPowerInit", 26, RO),
    Bit("FRS", 31, RO),
};

constexpr ValueText kTimeoutTexts[] = {{0, "50us-50ms"}, {1, "50us-100us"}, {2, "1ms-10ms"},
                                       {5, "16ms-55ms"}, {6, "65ms-210ms"}, {9, "260ms-900ms"},
                                       {10, "1s-3.5s"},  {13, "4s-13s"},    {14, "17s-64s"}};
constexpr Meaning kTimeout{MeaningKind::Enum, kTimeoutTexts};
constexpr ValueText kObffEnableTexts[] = {
    {0, "off"}, {1, "message A"}, {2, "message B"}, {3, "WAKE#"}};
constexpr Meaning kObffEnable{MeaningKind::Enum, kObffEnableTexts};

constexpr FieldDef kDevCtl2[] = {
    Bits("CompTimeout", 0, 3, RW, kTimeout).Summary(),
    Bit("CompTimeoutDisable", 4, RW),
    Bit("ARIForwarding", 5, RW).Summary(),
    Bit("AtomicRequester", 6, RW),
    Bit("AtomicEgressBlock", 7, RW),
    Bit("IDORequest", 8, RW),
    Bit("IDOCompletion", 9, RW),
    Bit("LTR", 10, RW).Summary(),
    Bit("EmergencyPowerDisable", 11, RW),
    Bit("TenBitTagRequester", 12, RW),
    Bits("OBFF", 13, 14, RW, kObffEnable),
    Bit("EETLPPrefixBlock", 15, RW),
};

constexpr FieldDef kLnkCap2[] = {
    Bits("Speeds", 1, 7, RO, kSpeedVector).Summary(),
    Bit("Crosslink", 8, RO),
    Bits("LowerSKPGen", 9, 15, RO),
    Bits("LowerSKPRecv", 16, 22, RO),
    Bit("RetimerDetect", 23, RO),
    Bit("TwoRetimersDetect", 24, RO),
    Bit("DRS", 31, RO),
};

constexpr ValueText kDeemphasisTexts[] = {{0, "-6dB"}, {1, "-3.5dB"}};
constexpr Meaning kDeemphasis{MeaningKind::Enum, kDeemphasisTexts};

constexpr FieldDef kLnkCtl2[] = {
    Bits("TargetSpeed", 0, 3, RW, kLinkSpeed).Summary(),
    Bit("EnterCompliance", 4, RW),
    Bit("HwAutoSpeedDisable", 5, RW),
    Bits("SelectableDeemphasis", 6, 6, RO, kDeemphasis),
    Bits("TxMargin", 7, 9, RW, kDecimal),
    Bit("EnterModCompliance", 10, RW),
    Bit("ComplianceSOS", 11, RW),
    Bits("CompliancePreset", 12, 15, RW),
};

constexpr ValueText kCrosslinkTexts[] = {
    {0, "not supported"}, {1, "upstream port"}, {2, "downstream port"}, {3, "not completed"}};
constexpr Meaning kCrosslink{MeaningKind::Enum, kCrosslinkTexts};
constexpr ValueText kComponentTexts[] = {{0, "link down, not determined"},
                                         {1, "link down, not present"},
                                         {2, "link down, present"},
                                         {4, "link up, present"},
                                         {5, "link up, present, DRS received"}};
constexpr Meaning kComponent{MeaningKind::Enum, kComponentTexts};

constexpr FieldDef kLnkSta2[] = {
    Bits("CurrentDeemphasis", 0, 0, RO, kDeemphasis),
    Bit("EqComplete", 1, RO).Summary(),
    Bit("EqPhase1", 2, RO),
    Bit("EqPhase2", 3, RO),
    Bit("EqPhase3", 4, RO),
    Bit("LinkEqRequest", 5, RW1C),
    Bit("Retimer", 6, RO),
    Bit("TwoRetimers", 7, RO),
    Bits("CrosslinkResolution", 8, 9, RO, kCrosslink),
    Bit("Flit", 10, RO).Summary(),
    Bits("DownstreamComponent", 12, 14, RO, kComponent),
    Bit("DRSReceived", 15, RW1C),
};

constexpr FieldDef kSltCap2[] = {Bit("InbandPDDisable", 0, RO)};

constexpr RegisterDef kExpress[] = {
    Reg(0x02, 2, "Flags", "PCI Express Capabilities", kFlags),
    Reg(0x04, 4, "DevCap", "Device Capabilities", kDevCap),
    Reg(0x08, 2, "DevCtl", "Device Control", kDevCtl),
    Reg(0x0A, 2, "DevSta", "Device Status", kDevSta),
    Reg(0x0C, 4, "LnkCap", "Link Capabilities", kLnkCap).When(kLink),
    Reg(0x10, 2, "LnkCtl", "Link Control", kLnkCtl).When(kLink),
    Reg(0x12, 2, "LnkSta", "Link Status", kLnkSta).When(kLink),
    Reg(0x14, 4, "SltCap", "Slot Capabilities", kSltCap).When(kSlot),
    Reg(0x18, 2, "SltCtl", "Slot Control", kSltCtl).When(kSlot),
    Reg(0x1A, 2, "SltSta", "Slot Status", kSltSta).When(kSlot),
    Reg(0x1C, 2, "RootCtl", "Root Control", kRootCtl).When(kRootOrCollector),
    Reg(0x1E, 2, "RootCap", "Root Capabilities", kRootCap).When(kRootOrCollector),
    Reg(0x20, 4, "RootSta", "Root Status", kRootSta).When(kRootOrCollector),
    Reg(0x24, 4, "DevCap2", "Device Capabilities 2", kDevCap2).When(kVersion2),
    Reg(0x28, 2, "DevCtl2", "Device Control 2", kDevCtl2).When(kVersion2),
    Reg(0x2A, 2, "DevSta2", "Device Status 2").When(kVersion2),
    Reg(0x2C, 4, "LnkCap2", "Link Capabilities 2", kLnkCap2).When(kVersion2).When(kLink),
    Reg(0x30, 2, "LnkCtl2", "Link Control 2", kLnkCtl2).When(kVersion2).When(kLink),
    Reg(0x32, 2, "LnkSta2", "Link Status 2", kLnkSta2).When(kVersion2).When(kLink),
    Reg(0x34, 4, "SltCap2", "Slot Capabilities 2", kSltCap2).When(kVersion2).When(kSlot),
    Reg(0x38, 2, "SltCtl2", "Slot Control 2").When(kVersion2).When(kSlot),
    Reg(0x3A, 2, "SltSta2", "Slot Status 2").When(kVersion2).When(kSlot),
};

constexpr StructureDef kExpressStructures[] = {
    {"PCIe", 0x10, Space::Standard, "PCI Express", kExpress},
};

}  // namespace

std::span<const StructureDef> ExpressStructures() {
    return kExpressStructures;
}

}  // namespace pcidef
