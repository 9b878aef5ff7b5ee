// SPDX-License-Identifier: MIT
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
#include "pci/FunctionSpaces.h"
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

size_t RefusedDwords(const ConfigSpaceView& read) {
    return static_cast<size_t>(std::count(read.read, read.read + read.size / 4, 0));
}

// Every listed function's samples; nullopt (said on stderr) when the
// functions could not be listed.
std::optional<std::string> ComposeMetrics() {
    RefusedRequestWatch watch(IsWindowProbe);
    const std::optional<FunctionSpaces> spaces = ReadAllFunctionSpaces();
    if (!spaces) {
        if (!ReportedRefusal(watch))
            std::fprintf(stderr, "tarvolent-cli: the driver did not list the functions\n");
        return std::nullopt;
    }
    std::vector<MetricSample> samples;
    samples.reserve(spaces->Functions().size() * MetricFamilies().size() * 2);
    for (const FunctionSpace& space : spaces->Functions()) {
        const FunctionAddress& address = space.address;
        if (const size_t refused = RefusedDwords(space.read)) {
            std::fprintf(stderr,
                         "tarvolent-cli: %s: %zu configuration dwords were refused; "
                         "what they hold is left out\n",
                         address.ToString().c_str(), refused);
        }
        const pcidef::DecodedFunction decoded =
            pcidef::Decode(std::span(space.read.bytes, space.read.size),
                           std::span(space.read.read, space.read.size / 4));
        std::vector<MetricSample> function = FunctionSamples(decoded, address);
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
