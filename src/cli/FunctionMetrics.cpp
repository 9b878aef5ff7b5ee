// SPDX-License-Identifier: MIT
#include "cli/FunctionMetrics.h"

#include <bit>
#include <optional>
#include <string_view>

#include "pcidef/FieldName.h"
#include "pcidef/StringPrintf.h"

namespace {

using pcidef::DecodedFunction;
using pcidef::DecodedRegister;
using pcidef::DecodedStructure;

constexpr uint32_t kIntegratedEndpoint = 9;
constexpr uint32_t kEventCollector = 10;

enum Family {
    kLinkSpeed,
    kLinkWidth,
    kCapableSpeed,
    kCapableWidth,
    kDowngraded,
    kAerCorrectable,
    kAerNonFatal,
    kAerFatal,
    kDeviceStatusError,
    kStatusError,
};

constexpr MetricFamily kFamilies[] = {
    {"tarvolent_pcie_link_speed_gts", "gauge",
     "Speed the PCI Express link trained at, in GT/s (Link Status)."},
    {"tarvolent_pcie_link_width", "gauge",
     "Lanes the PCI Express link trained at (Link Status); 0 while it is down."},
    {"tarvolent_pcie_link_capable_speed_gts", "gauge",
     "Highest speed the PCI Express port supports, in GT/s (Link Capabilities)."},
    {"tarvolent_pcie_link_capable_width", "gauge",
     "Widest link the PCI Express port supports, in lanes (Link Capabilities)."},
    {"tarvolent_pcie_link_downgraded", "gauge",
     "1 when the link is up but trained below its capability in speed or width, else 0."},
    {"tarvolent_pcie_aer_correctable_status_bits", "gauge",
     "Bits set in the AER Correctable Error Status register."},
    {"tarvolent_pcie_aer_nonfatal_status_bits", "gauge",
     "Bits set in the AER Uncorrectable Error Status register whose severity is non-fatal."},
    {"tarvolent_pcie_aer_fatal_status_bits", "gauge",
     "Bits set in the AER Uncorrectable Error Status register whose severity is fatal."},
    {"tarvolent_pcie_device_status_error", "gauge",
     "Error detected bits of the PCI Express Device Status register: 1 set, 0 clear."},
    {"tarvolent_pci_status_error", "gauge",
     "Error bits of the configuration header's Status register: 1 set, 0 clear."},
};

// The error bits and the label value each is written with.
struct ErrorBit {
    std::string_view field;
    const char* label;
};
constexpr ErrorBit kDeviceStatusErrors[] = {
    {"CorrErr", "correctable"},
    {"NonFatalErr", "nonfatal"},
    {"FatalErr", "fatal"},
    {"UnsupReq", "unsupported_request"},
};
constexpr ErrorBit kStatusErrors[] = {
    {"MasterDataParity", "master_data_parity"},  {"SigTargetAbort", "signaled_target_abort"},
    {"RcvTargetAbort", "received_target_abort"}, {"RcvMasterAbort", "received_master_abort"},
    {"SigSystemError", "signaled_system_error"}, {"DetectedParity", "detected_parity"},
};

const DecodedStructure* FirstWithKey(const DecodedFunction& decoded, std::string_view key) {
    for (const DecodedStructure& structure : decoded.Capabilities()) {
        if (structure.def->key == key) return &structure;
    }
    return nullptr;
}

// A register of the structure that was read.
const DecodedRegister* ReadRegister(const DecodedFunction& decoded,
                                    const DecodedStructure* structure, std::string_view name) {
    if (!structure) return nullptr;
    for (const DecodedRegister& reg : decoded.Registers(*structure)) {
        if (reg.readable && reg.NameIs(name)) return &reg;
    }
    return nullptr;
}

std::optional<uint32_t> FieldOf(const DecodedRegister* reg, std::string_view name) {
    if (!reg) return std::nullopt;
    for (const pcidef::FieldDef& field : reg->def->fields) {
        if (field.name == name) return reg->FieldValue(field);
    }
    return std::nullopt;
}

// The bits the register's fields describe; reserved bits are never counted.
uint32_t DescribedBits(const DecodedRegister& reg) {
    uint32_t bits = 0;
    for (const pcidef::FieldDef& field : reg.def->fields) bits |= field.Mask();
    return bits;
}

class SampleList {
  public:
    SampleList(const MetricLabels& labels) : labels_(labels) {}

    void Add(Family family, double value) {
        samples_.push_back({&kFamilies[family], labels_, value});
    }
    void AddError(Family family, const char* error, bool set) {
        MetricLabels labels = labels_;
        labels.emplace_back("error", error);
        samples_.push_back({&kFamilies[family], std::move(labels), set ? 1.0 : 0.0});
    }
    std::vector<MetricSample> Take() { return std::move(samples_); }

  private:
    const MetricLabels& labels_;
    std::vector<MetricSample> samples_;
};

void AddLinkSamples(const DecodedFunction& decoded, const DecodedStructure* express,
                    SampleList& samples) {
    // Integrated endpoints and event collectors have no link, whatever
    // their link registers hold.
    const auto portType = FieldOf(ReadRegister(decoded, express, "Flags"), "Type");
    if (!portType || *portType == kIntegratedEndpoint || *portType == kEventCollector) return;
    const DecodedRegister* capabilities = ReadRegister(decoded, express, "LnkCap");
    const DecodedRegister* status = ReadRegister(decoded, express, "LnkSta");
    const auto capableSpeed = FieldOf(capabilities, "Speed");
    const auto capableWidth = FieldOf(capabilities, "Width");
    // Without a speed it supports there is no link either.
    if (!capableSpeed || !LinkSpeedGts(*capableSpeed) || !capableWidth || !status) return;
    const uint32_t speed = FieldOf(status, "Speed").value_or(0);
    const uint32_t width = FieldOf(status, "Width").value_or(0);
    if (LinkSpeedGts(speed)) samples.Add(kLinkSpeed, LinkSpeedGts(speed));
    samples.Add(kLinkWidth, width);
    samples.Add(kCapableSpeed, LinkSpeedGts(*capableSpeed));
    samples.Add(kCapableWidth, *capableWidth);
    // A port that reports its data link layer says whether the link is up;
    // an empty slot is not a downgraded link.
    const bool reportsActive = FieldOf(capabilities, "DLLActiveReporting").value_or(0) != 0;
    const bool up = width > 0 && (!reportsActive || FieldOf(status, "DLLActive").value_or(0));
    const bool slower = LinkSpeedGts(speed) && speed < *capableSpeed;
    samples.Add(kDowngraded, up && (slower || width < *capableWidth) ? 1 : 0);
}

void AddAerSamples(const DecodedFunction& decoded, SampleList& samples) {
    const DecodedStructure* aer = FirstWithKey(decoded, "AER");
    if (const DecodedRegister* correctable = ReadRegister(decoded, aer, "CorSta"))
        samples.Add(kAerCorrectable,
                    std::popcount(correctable->value & DescribedBits(*correctable)));
    const DecodedRegister* status = ReadRegister(decoded, aer, "UncorSta");
    const DecodedRegister* severity = ReadRegister(decoded, aer, "UncorSev");
    if (!status || !severity) return;
    const uint32_t set = status->value & DescribedBits(*status);
    samples.Add(kAerNonFatal, std::popcount(set & ~severity->value));
    samples.Add(kAerFatal, std::popcount(set & severity->value));
}

template <size_t N>
void AddErrorBits(const DecodedRegister* reg, const ErrorBit (&bits)[N], Family family,
                  SampleList& samples) {
    for (const ErrorBit& bit : bits) {
        if (auto value = FieldOf(reg, bit.field)) samples.AddError(family, bit.label, *value != 0);
    }
}

std::string HexLabel(const DecodedFunction& decoded, std::string_view name, int digits) {
    const std::optional<uint32_t> value = pcidef::ValueOf(decoded, name);
    return value ? pcidef::StringPrintf("%0*x", digits, *value) : std::string();
}

}  // namespace

std::span<const MetricFamily> MetricFamilies() {
    return kFamilies;
}

double LinkSpeedGts(uint32_t encoding) {
    constexpr double kSpeeds[] = {2.5, 5, 8, 16, 32, 64};
    return encoding >= 1 && encoding <= std::size(kSpeeds) ? kSpeeds[encoding - 1] : 0;
}

MetricLabels FunctionLabels(const DecodedFunction& decoded, const FunctionAddress& address) {
    return {
        {"segment", pcidef::StringPrintf("%04x", address.segment)},
        {"bdf", address.ToString()},
        {"vendor", HexLabel(decoded, "VendorID", 4)},
        {"device", HexLabel(decoded, "DeviceID", 4)},
        {"class", HexLabel(decoded, "ClassCode", 6)},
    };
}

std::vector<MetricSample> FunctionSamples(const DecodedFunction& decoded,
                                          const FunctionAddress& address) {
    const MetricLabels labels = FunctionLabels(decoded, address);
    SampleList samples(labels);
    const DecodedStructure* express = FirstWithKey(decoded, "PCIe");
    AddLinkSamples(decoded, express, samples);
    AddAerSamples(decoded, samples);
    AddErrorBits(ReadRegister(decoded, express, "DevSta"), kDeviceStatusErrors, kDeviceStatusError,
                 samples);
    AddErrorBits(ReadRegister(decoded, &decoded.Header(), "Status"), kStatusErrors, kStatusError,
                 samples);
    return samples.Take();
}
