#include "cli/MetricsCommand.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>

#include "cli/DriverStart.h"
#include "cli/ExpositionFormat.h"
#include "cli/FunctionArgument.h"
#include "cli/FunctionMetrics.h"
#include "cli/RefusalMessage.h"
#include "cli/RefusedRequestWatch.h"
#include "cli/ScanCommand.h"
#include "pci/ConfigSpaceRead.h"
#include "pci/PciBusScan.h"
#include "pci/PciWindowModel.h"
#include "pcidef/ConfigDecoder.h"
#include "platform/trust/ReplacedFile.h"

namespace {

// The file is for a collector that runs as another user, in a folder that
// is usually not private; nothing in it is secret (any user's lspci shows
// the same), so others may read it.
constexpr mode_t kMetricsFileMode = 0644;

// Empty when the options are sound, else what is wrong with them.
std::string ParseMetricsOptions(const std::vector<std::string>& arguments,
                                std::optional<std::string>* path) {
    for (size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "-o" && i + 1 < arguments.size() && !*path) {
            *path = arguments[++i];
        } else {
            return "metrics does not take \"" + arguments[i] + "\"";
        }
    }
    return {};
}

bool SameIdentity(const ConfigSpaceRead& read, const PciDeviceEntry& entry) {
    if (read.readable.empty() || !read.readable[0]) return false;
    const uint32_t identity = uint32_t{read.bytes[0]} | uint32_t{read.bytes[1]} << 8 |
                              uint32_t{read.bytes[2]} << 16 | uint32_t{read.bytes[3]} << 24;
    return identity ==
           (static_cast<uint32_t>(entry.deviceId) << 16 | static_cast<uint32_t>(entry.vendorId));
}

// Reads functions as the window does, but probes for the PCI Express
// window only until it has found it: every function of a machine is
// normally in the same one.
class FunctionReader {
  public:
    ConfigSpaceRead Read(const PciDeviceEntry& entry) {
        if (entry.kind != PCI_KIND_PCIE) return ReadConfigSpace(entry, 0);
        if (probed_) {
            ConfigSpaceRead read = ReadConfigSpace(entry, base_);
            if (SameIdentity(read, entry)) return read;
        }
        base_ = model_->DetectMmioBase(entry);
        probed_ = true;
        return ReadConfigSpace(entry, base_);
    }

  private:
    std::unique_ptr<PciWindowModel> model_ = std::make_unique<PciWindowModel>();
    bool probed_ = false;
    uint32_t base_ = 0;
};

size_t RefusedDwords(const ConfigSpaceRead& read) {
    return static_cast<size_t>(std::count(read.readable.begin(), read.readable.end(), 0));
}

// Every listed function's samples; nullopt (said on stderr) when the
// functions could not be listed.
std::optional<std::string> ComposeMetrics() {
    RefusedRequestWatch watch(IsWindowProbe);
    auto table = std::make_unique<PciDeviceTable>();
    table->count = EnumeratePciFunctions(*table);
    if (ReportedRefusal(watch)) return std::nullopt;
    FunctionReader reader;
    std::vector<MetricSample> samples;
    for (int32_t row = 0; row < table->count; ++row) {
        const PciDeviceEntry& entry = table->rows[row];
        const ConfigSpaceRead read = reader.Read(entry);
        if (const size_t refused = RefusedDwords(read)) {
            std::fprintf(stderr,
                         "tarvolent-cli: %s: %zu configuration dwords were refused; "
                         "what they hold is left out\n",
                         entry.Address().ToString().c_str(), refused);
        }
        const pcidef::DecodedFunction decoded = pcidef::Decode(read.bytes, read.readable);
        std::vector<MetricSample> function = FunctionSamples(decoded, entry.Address());
        std::move(function.begin(), function.end(), std::back_inserter(samples));
    }
    return FormatExposition(MetricFamilies(), samples);
}

bool Deliver(const std::string& text, const std::optional<std::string>& path) {
    if (!path) {
        std::fwrite(text.data(), 1, text.size(), stdout);
        return std::fflush(stdout) == 0 && std::ferror(stdout) == 0;
    }
    std::string problem;
    if (output_file::Replace(*path, text, kMetricsFileMode, &problem)) return true;
    std::fprintf(stderr, "tarvolent-cli: %s was not written: %s\n", path->c_str(), problem.c_str());
    return false;
}

}  // namespace

int RunMetricsCommand(const std::vector<std::string>& arguments) {
    std::optional<std::string> path;
    const std::string problem = ParseMetricsOptions(arguments, &path);
    if (!problem.empty()) return ArgumentProblem(problem);
    if (path) path = PathFromHere(*path);
    if (!StartDriver()) return kExitFailure;
    const std::optional<std::string> text = ComposeMetrics();
    return text && Deliver(*text, path) ? 0 : kExitFailure;
}
