// SPDX-License-Identifier: MIT
// Capabilities of the extended list, found from 0x100: errors, identity,
// virtualisation, address translation and vendor-specific headers. The
// link and power ones are in the next file.
#include "pcidef/ConfigSpaceTable.h"
#include "pcidef/ConfigSpaceTableBuild.h"

namespace pcidef {
namespace {

using namespace build;
using enum Access;

// Advanced Error Reporting: status, mask and severity share their bits.
struct ErrorBit {
    std::string_view name;
    uint8_t bit;
};

constexpr ErrorBit kUncorrectable[] = {
    {"DataLinkProtocol", 4},
    {"SurpriseDown", 5},
    {"PoisonedTLP", 12},
    {"FlowControl", 13},
    {"CompletionTimeout", 14},
    {"CompleterAbort", 15},
    {"UnexpectedCompletion", 16},
    {"ReceiverOverflow", 17},
    {"MalformedTLP", 18},
    {"ECRC", 19},
    {"UnsupportedRequest", 20},
    {"ACSViolation", 21},
    {"Internal", 22},
    {"MCBlockedTLP", 23},
    {"AtomicEgressBlocked", 24},
    {"TLPPrefixBlocked", 25},
    {"PoisonedEgressBlocked", 26},
};
constexpr ErrorBit kCorrectable[] = {
    {"Receiver", 0},       {"BadTLP", 6},
    {"BadDLLP", 7},        {"ReplayRollover", 8},
    {"ReplayTimeout", 12}, {"AdvisoryNonFatal", 13},
    {"Internal", 14},      {"HeaderLogOverflow", 15},
};

template <size_t N>
constexpr std::array<FieldDef, N> ErrorFields(const ErrorBit (&bits)[N], Access access,
                                              const Meaning& meaning) {
    std::array<FieldDef, N> fields{};
    for (size_t i = 0; i < N; ++i) fields[i] = Bit(bits[i].name, bits[i].bit, access, meaning);
    return fields;
}

constexpr ValueText kSeverityTexts[] = {{0, "non-fatal"}, {1, "fatal"}};
constexpr Meaning kSeverity{MeaningKind::Enum, kSeverityTexts};

constexpr auto kUncorSta = ErrorFields(kUncorrectable, RW1C, kFlag);
constexpr auto kUncorMask = ErrorFields(kUncorrectable, RW, kFlag);
constexpr auto kUncorSev = ErrorFields(kUncorrectable, RW, kSeverity);
constexpr auto kCorSta = ErrorFields(kCorrectable, RW1C, kFlag);
constexpr auto kCorMask = ErrorFields(kCorrectable, RW, kFlag);

constexpr FieldDef kAerCapCtl[] = {
    Bits("FirstErrPtr", 0, 4, RO, kDecimal).Summary(),
    Bit("ECRCGenCap", 5, RO),
    Bit("ECRCGenEnable", 6, RW),
    Bit("ECRCCheckCap", 7, RO),
    Bit("ECRCCheckEnable", 8, RW),
    Bit("MultiHeaderCap", 9, RO),
    Bit("MultiHeaderEnable", 10, RW),
    Bit("TLPPrefixLog", 11, RO),
    Bit("TimeoutHeaderLog", 12, RO),
};
constexpr FieldDef kRootErrCmd[] = {
    Bit("CorrEnable", 0, RW),
    Bit("NonFatalEnable", 1, RW),
    Bit("FatalEnable", 2, RW),
};
constexpr FieldDef kRootErrSta[] = {
    Bit("CorrRcvd", 0, RW1C),        Bit("MultiCorrRcvd", 1, RW1C),
    Bit("UncorRcvd", 2, RW1C),       Bit("MultiUncorRcvd", 3, RW1C),
    Bit("FirstUncorFatal", 4, RW1C), Bit("NonFatalRcvd", 5, RW1C),
    Bit("FatalRcvd", 6, RW1C),       Bits("IntMsg", 27, 31, RO, kDecimal),
};
constexpr FieldDef kErrSource[] = {
    Bits("CorrSource", 0, 15, RO).Summary(),
    Bits("UncorSource", 16, 31, RO).Summary(),
};
constexpr Condition kRootPorts = PortTypeIn(kRootPort | kEventCollector);

constexpr RegisterDef kAer[] = {
    Reg(0x04, 4, "UncorSta", "Uncorrectable Error Status", kUncorSta),
    Reg(0x08, 4, "UncorMask", "Uncorrectable Error Mask", kUncorMask),
    Reg(0x0C, 4, "UncorSev", "Uncorrectable Error Severity", kUncorSev),
    Reg(0x10, 4, "CorSta", "Correctable Error Status", kCorSta),
    Reg(0x14, 4, "CorMask", "Correctable Error Mask", kCorMask),
    Reg(0x18, 4, "CapCtl", "Advanced Error Capabilities and Control", kAerCapCtl),
    Reg(0x1C, 4, "HeaderLog", "Header Log", kWhole<32, RO>).Times(Fixed(4, 4)),
    Reg(0x2C, 4, "RootCmd", "Root Error Command", kRootErrCmd).When(kRootPorts),
    Reg(0x30, 4, "RootSta", "Root Error Status", kRootErrSta).When(kRootPorts),
    Reg(0x34, 4, "ErrSrc", "Error Source Identification", kErrSource).When(kRootPorts),
    Reg(0x38, 4, "PrefixLog", "TLP Prefix Log", kWhole<32, RO>)
        .When(BitSet(0x18, 11))
        .Times(Fixed(4, 4)),
};

// Virtual Channel, with one resource block per virtual channel.
constexpr ValueText kReferenceClockTexts[] = {{0, "100ns"}};
constexpr Meaning kReferenceClock{MeaningKind::Enum, kReferenceClockTexts};
constexpr ValueText kEntrySizeTexts[] = {{0, "1 bit"}, {1, "2 bits"}, {2, "4 bits"}, {3, "8 bits"}};
constexpr Meaning kEntrySize{MeaningKind::Enum, kEntrySizeTexts};
constexpr ValueText kArbitrationTexts[] = {{0, "fixed"},  {1, "WRR32"},   {2, "WRR64"},
                                           {3, "WRR128"}, {4, "TWRR128"}, {5, "WRR256"}};
constexpr Meaning kArbitration{MeaningKind::BitList, kArbitrationTexts};

constexpr FieldDef kVcPortCap1[] = {
    Bits("ExtVCCount", 0, 2, RO, kDecimal).Summary(),
    Bits("LowPriorityCount", 4, 6, RO, kDecimal),
    Bits("ReferenceClock", 8, 9, RO, kReferenceClock),
    Bits("ArbTableEntrySize", 10, 11, RO, kEntrySize),
};
constexpr FieldDef kVcPortCap2[] = {
    Bits("ArbCap", 0, 7, RO, kArbitration).Summary(),
    Bits("ArbTableOffset", 24, 31, RO),
};
constexpr FieldDef kVcPortCtl[] = {
    Bit("LoadArbTable", 0, RW),
    Bits("ArbSelect", 1, 3, RW, kDecimal).Summary(),
};
constexpr FieldDef kVcPortSta[] = {Bit("ArbTableStatus", 0, RO)};
constexpr FieldDef kVcResCap[] = {
    Bits("PortArbCap", 0, 7, RO, kArbitration).Summary(),
    Bit("RejectSnoop", 15, RO),
    Bits("MaxTimeSlots", 16, 22, RO, kDecimal),
    Bits("PortArbTableOffset", 24, 31, RO),
};
constexpr FieldDef kVcResCtl[] = {
    Bits("TCVCMap", 0, 7, RW).Summary(),
    Bit("LoadPortArbTable", 16, RW),
    Bits("PortArbSelect", 17, 19, RW, kDecimal),
    Bits("VCID", 24, 26, RW, kDecimal).Summary(),
    Bit("Enable", 31, RW).Summary(),
};
constexpr FieldDef kVcResSta[] = {
    Bit("PortArbTableStatus", 0, RO),
    Bit("NegotiationPending", 1, RO).Summary(),
};
constexpr Count kPerChannel = FieldCount(0x04, 0, 2, 1, 8, 12);

constexpr RegisterDef kVc[] = {
    Reg(0x04, 4, "PortCap1", "Port VC Capability 1", kVcPortCap1),
    Reg(0x08, 4, "PortCap2", "Port VC Capability 2", kVcPortCap2),
    Reg(0x0C, 2, "PortCtl", "Port VC Control", kVcPortCtl),
    Reg(0x0E, 2, "PortSta", "Port VC Status", kVcPortSta),
    Reg(0x10, 4, "ResCap", "VC Resource Capability", kVcResCap).Times(kPerChannel),
    Reg(0x14, 4, "ResCtl", "VC Resource Control", kVcResCtl).Times(kPerChannel),
    Reg(0x1A, 2, "ResSta", "VC Resource Status", kVcResSta).Times(kPerChannel),
};

// Device Serial Number.
constexpr RegisterDef kSerial[] = {
    Reg(0x04, 4, "SerialLo", "Serial Number Lower DW", kWhole<32, RO>),
    Reg(0x08, 4, "SerialHi", "Serial Number Upper DW", kWhole<32, RO>),
};

// Power Budgeting: a data window selected by index.
constexpr ValueText kWattScaleTexts[] = {
    {0, "x 1W"}, {1, "x 0.1W"}, {2, "x 0.01W"}, {3, "x 0.001W"}};
constexpr Meaning kWattScale{MeaningKind::Enum, kWattScaleTexts};
constexpr ValueText kDStateTexts[] = {{0, "D0"}, {1, "D1"}, {2, "D2"}, {3, "D3"}};
constexpr Meaning kDState{MeaningKind::Enum, kDStateTexts};
constexpr ValueText kBudgetTypeTexts[] = {{0, "PME Aux"},
                                          {1, "Auxiliary"},
                                          {2, "Idle"},
                                          {3, "Sustained"},
                                          {4, "Sustained (emergency)"},
                                          {5, "Maximum (emergency)"},
                                          {7, "Maximum"}};
constexpr Meaning kBudgetType{MeaningKind::Enum, kBudgetTypeTexts};
constexpr ValueText kRailTexts[] = {{0, "12V"}, {1, "3.3V"}, {2, "1.5V or 1.8V"}, {7, "thermal"}};
constexpr Meaning kRail{MeaningKind::Enum, kRailTexts};

constexpr FieldDef kBudgetData[] = {
    Bits("BasePower", 0, 7, RO, kDecimal).Summary(),
    Bits("DataScale", 8, 9, RO, kWattScale).Summary(),
    Bits("PMSubState", 10, 12, RO, kDecimal),
    Bits("PMState", 13, 14, RO, kDState).Summary(),
    Bits("Type", 15, 17, RO, kBudgetType).Summary(),
    Bits("PowerRail", 18, 20, RO, kRail).Summary(),
};
constexpr FieldDef kBudgetCap[] = {Bit("SystemAllocated", 0, RO)};
constexpr RegisterDef kBudget[] = {
    Reg(0x04, 1, "DataSelect", "Data Select", kWhole<8, RW, kDecimal>),
    Reg(0x08, 4, "Data", "Data", kBudgetData),
    Reg(0x0C, 1, "Cap", "Power Budget Capability", kBudgetCap),
};

// Vendor-specific extended: a header with a length, then the vendor's dwords.
constexpr FieldDef kVsecHeader[] = {
    Bits("ID", 0, 15, RO).Summary(),
    Bits("Rev", 16, 19, RO, kDecimal).Summary(),
    Bits("Length", 20, 31, RO, kBytes).Summary(),
};
constexpr RegisterDef kVsec[] = {
    Reg(0x04, 4, "Hdr", "Vendor-Specific Header", kVsecHeader),
    Reg(0x08, 4, "DW", "dword", {}).Times(LengthCount(0x04, 20, 31, 1022, 4, 2)),
};

// Designated vendor-specific: the vendor named in the header.
constexpr FieldDef kDvsecHeader1[] = {
    Bits("Vendor", 0, 15, RO).Summary(),
    Bits("Rev", 16, 19, RO, kDecimal).Summary(),
    Bits("Length", 20, 31, RO, kBytes).Summary(),
};
constexpr FieldDef kDvsecHeader2[] = {Bits("ID", 0, 15, RO).Summary()};
constexpr RegisterDef kDvsec[] = {
    Reg(0x04, 4, "Hdr1", "Designated Vendor-Specific Header 1", kDvsecHeader1),
    Reg(0x08, 2, "Hdr2", "Designated Vendor-Specific Header 2", kDvsecHeader2),
    Reg(0x0A, 2, "Word5", "word 5", kWhole<16, RO>),
    Reg(0x0C, 4, "DW", "dword", {}).Times(LengthCount(0x04, 20, 31, 1021, 4, 3)),
};

// Access Control Services.
constexpr FieldDef kAcsCap[] = {
    Bit("SourceValidation", 0, RO),
    Bit("TranslationBlocking", 1, RO),
    Bit("RequestRedirect", 2, RO),
    Bit("CompletionRedirect", 3, RO),
    Bit("UpstreamForwarding", 4, RO),
    Bit("EgressControl", 5, RO),
    Bit("DirectTranslated", 6, RO),
    Bit("Enhanced", 7, RO),
    Bits("EgressVectorSize", 8, 15, RO, kDecimal),
};
constexpr FieldDef kAcsCtl[] = {
    Bit("SourceValidation", 0, RW),   Bit("TranslationBlocking", 1, RW),
    Bit("RequestRedirect", 2, RW),    Bit("CompletionRedirect", 3, RW),
    Bit("UpstreamForwarding", 4, RW), Bit("EgressControl", 5, RW),
    Bit("DirectTranslated", 6, RW),
};
constexpr RegisterDef kAcs[] = {
    Reg(0x04, 2, "Cap", "ACS Capability", kAcsCap),
    Reg(0x06, 2, "Ctl", "ACS Control", kAcsCtl),
    Reg(0x08, 4, "Egress", "Egress Control Vector", kWhole<32, RW>)
        .When(BitSet(0x04, 5))
        .Times(BitsCount(0x04, 8, 15)),
};

// Alternative Routing-ID Interpretation.
constexpr FieldDef kAriCap[] = {
    Bit("MFVCGroups", 0, RO),
    Bit("ACSGroups", 1, RO),
    Bits("NextFunction", 8, 15, RO, kDecimal).Summary(),
};
constexpr FieldDef kAriCtl[] = {
    Bit("MFVCGroups", 0, RW),
    Bit("ACSGroups", 1, RW),
    Bits("FunctionGroup", 4, 6, RW, kDecimal).Summary(),
};
constexpr RegisterDef kAri[] = {
    Reg(0x04, 2, "Cap", "ARI Capability", kAriCap),
    Reg(0x06, 2, "Ctl", "ARI Control", kAriCtl),
};

// Address Translation Services.
constexpr Meaning kTranslationUnit{MeaningKind::Pow2Size, {}, 4096, 31};
constexpr FieldDef kAtsCap[] = {
    Bits("InvQueueDepth", 0, 4, RO, kDecimal).Summary(),
    Bit("PageAligned", 5, RO),
    Bit("GlobalInvalidate", 6, RO),
    Bit("RelaxedOrdering", 7, RO),
};
constexpr FieldDef kAtsCtl[] = {
    Bits("STU", 0, 4, RW, kTranslationUnit).Summary(),
    Bit("Enable", 15, RW).Summary(),
};
constexpr RegisterDef kAts[] = {
    Reg(0x04, 2, "Cap", "ATS Capability", kAtsCap),
    Reg(0x06, 2, "Ctl", "ATS Control", kAtsCtl),
};

// Single Root I/O Virtualization.
constexpr FieldDef kSriovCap[] = {
    Bit("VFMigration", 0, RO),
    Bit("ARIPreserved", 1, RO),
    Bit("VFTenBitTag", 2, RO),
    Bits("MigrationIntMsg", 21, 31, RO, kDecimal),
};
constexpr FieldDef kSriovCtl[] = {
    Bit("VFEnable", 0, RW).Summary(), Bit("VFMigrationEnable", 1, RW),
    Bit("MigrationIntEnable", 2, RW), Bit("VFMemory", 3, RW).Summary(),
    Bit("ARIHierarchy", 4, RW),       Bit("VFTenBitTag", 5, RW),
};
constexpr FieldDef kSriovSta[] = {Bit("VFMigration", 0, RW1C)};
constexpr ValueText kPageSizeTexts[] = {
    {0, "4KB"},   {1, "8KB"},   {2, "16KB"},  {3, "32KB"},   {4, "64KB"},   {5, "128KB"},
    {6, "256KB"}, {7, "512KB"}, {8, "1MB"},   {9, "2MB"},    {10, "4MB"},   {11, "8MB"},
    {12, "16MB"}, {13, "32MB"}, {14, "64MB"}, {15, "128MB"}, {16, "256MB"}, {17, "512MB"},
    {18, "1GB"},  {19, "2GB"},  {20, "4GB"}};
constexpr Meaning kPageSizes{MeaningKind::BitList, kPageSizeTexts};
constexpr FieldDef kSupportedPages[] = {Bits("", 0, 31, RO, kPageSizes)};
constexpr FieldDef kSystemPage[] = {Bits("", 0, 31, RW, kPageSizes)};
constexpr FieldDef kMigrationState[] = {
    Bits("BIR", 0, 2, RO, kBarIndex).Summary(),
    Bits("Offset", 3, 31, RO, kAddress).Summary(),
};
constexpr RegisterDef kSriov[] = {
    Reg(0x04, 4, "Cap", "SR-IOV Capabilities", kSriovCap),
    Reg(0x08, 2, "Ctl", "SR-IOV Control", kSriovCtl),
    Reg(0x0A, 2, "Sta", "SR-IOV Status", kSriovSta),
    Reg(0x0C, 2, "InitialVFs", "InitialVFs", kWhole<16, RO, kDecimal>),
    Reg(0x0E, 2, "TotalVFs", "TotalVFs", kWhole<16, RO, kDecimal>),
    Reg(0x10, 2, "NumVFs", "NumVFs", kWhole<16, RW, kDecimal>),
    Reg(0x12, 1, "FuncLink", "Function Dependency Link", kWhole<8, RO, kDecimal>),
    Reg(0x14, 2, "VFOffset", "First VF Offset", kWhole<16, RO, kDecimal>),
    Reg(0x16, 2, "VFStride", "VF Stride", kWhole<16, RO, kDecimal>),
    Reg(0x1A, 2, "VFDeviceID", "VF Device ID", kWhole<16, RO>),
    Reg(0x1C, 4, "SupportedPages", "Supported Page Sizes", kSupportedPages),
    Reg(0x20, 4, "SystemPage", "System Page Size", kSystemPage),
    Reg(0x24, 4, "VFBAR", "VF Base Address", kMemoryBar).Times(Fixed(6, 4)),
    Reg(0x3C, 4, "MigrationState", "VF Migration State Array Offset", kMigrationState),
};

// Page Request Interface.
constexpr FieldDef kPriCtl[] = {
    Bit("Enable", 0, RW).Summary(),
    Bit("Reset", 1, RW),
};
constexpr FieldDef kPriSta[] = {
    Bit("ResponseFailure", 0, RW1C),
    Bit("UnexpectedIndex", 1, RW1C),
    Bit("Stopped", 8, RO),
    Bit("PASIDRequired", 15, RO),
};
constexpr RegisterDef kPri[] = {
    Reg(0x04, 2, "Ctl", "Page Request Control", kPriCtl),
    Reg(0x06, 2, "Sta", "Page Request Status", kPriSta),
    Reg(0x08, 4, "Capacity", "Outstanding Page Request Capacity", kWhole<32, RO, kDecimal>),
    Reg(0x0C, 4, "Allocation", "Outstanding Page Request Allocation", kWhole<32, RW, kDecimal>),
};

// Resizable BAR: entry 0 says how many entries there are.
constexpr ValueText kBarSizeTexts[] = {
    {0, "1MB"},    {1, "2MB"},    {2, "4MB"},   {3, "8MB"},   {4, "16MB"},  {5, "32MB"},
    {6, "64MB"},   {7, "128MB"},  {8, "256MB"}, {9, "512MB"}, {10, "1GB"},  {11, "2GB"},
    {12, "4GB"},   {13, "8GB"},   {14, "16GB"}, {15, "32GB"}, {16, "64GB"}, {17, "128GB"},
    {18, "256GB"}, {19, "512GB"}, {20, "1TB"},  {21, "2TB"},  {22, "4TB"},  {23, "8TB"},
    {24, "16TB"},  {25, "32TB"},  {26, "64TB"}, {27, "128TB"}};
constexpr Meaning kBarSizes{MeaningKind::BitList, kBarSizeTexts};
constexpr Meaning kBarSize{MeaningKind::Pow2Size, {}, 1u << 20, 43};
constexpr FieldDef kRebarCap[] = {Bits("Sizes", 4, 31, RO, kBarSizes).Summary()};
constexpr FieldDef kRebarCtl[] = {
    Bits("BarIndex", 0, 2, RO, kBarIndex).Summary(),
    Bits("NumBars", 5, 7, RO, kDecimal),
    Bits("BarSize", 8, 13, RW, kBarSize).Summary(),
    Bits("SizesUpper", 16, 31, RO),
};
constexpr Count kFurtherBars = FieldCount(0x08, 5, 7, -1, 5, 8, 1);
constexpr RegisterDef kRebar[] = {
    Reg(0x04, 4, "Cap0", "Resizable BAR Capability 0", kRebarCap),
    Reg(0x08, 4, "Ctrl0", "Resizable BAR Control 0", kRebarCtl),
    Reg(0x0C, 4, "Cap", "Resizable BAR Capability", kRebarCap).Times(kFurtherBars),
    Reg(0x10, 4, "Ctrl", "Resizable BAR Control", kRebarCtl).Times(kFurtherBars),
};

// TPH Requester, with its steering tag table when it is kept here.
constexpr ValueText kTableLocationTexts[] = {
    {0, "no ST table"}, {1, "ST table in capability"}, {2, "ST table in MSI-X"}};
constexpr Meaning kTableLocation{MeaningKind::Enum, kTableLocationTexts};
constexpr Meaning kEntries{MeaningKind::PlusOne, {}, 1, 63, "entries"};
constexpr ValueText kStModeTexts[] = {
    {0, "no ST"}, {1, "interrupt vector"}, {2, "device specific"}};
constexpr Meaning kStMode{MeaningKind::Enum, kStModeTexts};
constexpr ValueText kTphEnableTexts[] = {{0, "off"}, {1, "TPH"}, {3, "TPH and extended TPH"}};
constexpr Meaning kTphEnable{MeaningKind::Enum, kTphEnableTexts};

constexpr FieldDef kTphCap[] = {
    Bit("NoST", 0, RO),
    Bit("IntVector", 1, RO),
    Bit("DeviceSpecific", 2, RO),
    Bit("ExtTPH", 8, RO),
    Bits("STLocation", 9, 10, RO, kTableLocation).Summary(),
    Bits("STSize", 16, 26, RO, kEntries).Summary(),
};
constexpr FieldDef kTphCtl[] = {
    Bits("STMode", 0, 2, RW, kStMode).Summary(),
    Bits("Enable", 8, 9, RW, kTphEnable).Summary(),
};
constexpr FieldDef kStEntry[] = {
    Bits("Lower", 0, 7, RW).Summary(),
    Bits("Upper", 8, 15, RW).Summary(),
};
constexpr RegisterDef kTph[] = {
    Reg(0x04, 4, "Cap", "TPH Requester Capability", kTphCap),
    Reg(0x08, 4, "Ctl", "TPH Requester Control", kTphCtl),
    Reg(0x0C, 2, "ST", "ST Table Entry", kStEntry)
        .When(FieldIs(0x04, 9, 10, 1))
        .Times(FieldCount(0x04, 16, 26, 1, 64, 2)),
};

// Process Address Space ID.
constexpr FieldDef kPasidCap[] = {
    Bit("Execute", 1, RO),
    Bit("Privileged", 2, RO),
    Bits("MaxWidth", 8, 12, RO, kDecimal).Summary(),
};
constexpr FieldDef kPasidCtl[] = {
    Bit("Enable", 0, RW).Summary(),
    Bit("Execute", 1, RW),
    Bit("Privileged", 2, RW),
};
constexpr RegisterDef kPasid[] = {
    Reg(0x04, 2, "Cap", "PASID Capability", kPasidCap),
    Reg(0x06, 2, "Ctl", "PASID Control", kPasidCtl),
};

constexpr StructureDef kExtended[] = {
    {"AER", 0x0001, Space::Extended, "Advanced Error Reporting", kAer},
    {"VC", 0x0002, Space::Extended, "Virtual Channel", kVc},
    {"DSN", 0x0003, Space::Extended, "Device Serial Number", kSerial},
    {"PWRB", 0x0004, Space::Extended, "Power Budgeting", kBudget},
    {"VC9", 0x0009, Space::Extended, "Virtual Channel (MFVC)", kVc},
    {"VSEC", 0x000B, Space::Extended, "Vendor-Specific Extended", kVsec},
    {"ACS", 0x000D, Space::Extended, "Access Control Services", kAcs},
    {"ARI", 0x000E, Space::Extended, "Alternative Routing-ID Interpretation", kAri},
    {"ATS", 0x000F, Space::Extended, "Address Translation Services", kAts},
    {"SRIOV", 0x0010, Space::Extended, "Single Root I/O Virtualization", kSriov},
    {"PRI", 0x0013, Space::Extended, "Page Request Interface", kPri},
    {"REBAR", 0x0015, Space::Extended, "Resizable BAR", kRebar},
    {"TPH", 0x0017, Space::Extended, "TPH Requester", kTph},
    {"PASID", 0x001B, Space::Extended, "Process Address Space ID", kPasid},
    {"DVSEC", 0x0023, Space::Extended, "Designated Vendor-Specific", kDvsec},
};

}  // namespace

std::span<const StructureDef> ExtendedStructures() {
    return kExtended;
}

}  // namespace pcidef
