// SPDX-License-Identifier: MIT
#include "cli/WatchCommand.h"

#include <cstdio>
#include <memory>
#include <optional>

#include "cli/DriverStart.h"
#include "cli/FunctionArgument.h"
#include "cli/ScanCommand.h"
#include "cli/StopSignals.h"
#include "cli/WatchLine.h"
#include "pci/ConfigSpaceRead.h"
#include "pci/FunctionSpaces.h"
#include "pci/PciWindowModel.h"
#include "pcidef/ConfigWatch.h"
#include "pcidef/NumberText.h"

namespace {

constexpr uint64_t kDefaultIntervalMs = 1000;
constexpr uint64_t kMinIntervalMs = 10;
constexpr uint64_t kMaxIntervalMs = 3600 * 1000;

struct WatchOptions {
    std::optional<FunctionAddress> function;
    uint64_t intervalMs = kDefaultIntervalMs;
    std::optional<uint64_t> count;
    bool json = false;
};

std::optional<uint64_t> DecimalIn(const std::string& text, uint64_t low, uint64_t high) {
    const std::optional<uint64_t> value = pcidef::ParseDigits(text, 10);
    if (!value || *value < low || *value > high) return std::nullopt;
    return value;
}

// Empty when the options are sound, else what is wrong with them.
std::string ParseWatchOptions(const std::vector<std::string>& arguments, WatchOptions* options) {
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& option = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (option == "--json") {
            options->json = true;
        } else if (option == "--interval" && hasValue) {
            const auto interval = DecimalIn(arguments[++i], kMinIntervalMs, kMaxIntervalMs);
            if (!interval)
                return "--interval takes milliseconds from 10 to 3600000, in decimal, not \"" +
                       arguments[i] + "\"";
            options->intervalMs = *interval;
        } else if (option == "--count" && hasValue) {
            options->count = DecimalIn(arguments[++i], 1, UINT32_MAX);
            if (!options->count)
                return "--count takes a decimal number from 1, not \"" + arguments[i] + "\"";
        } else if (!options->function && option.rfind("--", 0) != 0) {
            const std::string problem = ParseFunctionArgument(option, &options->function.emplace());
            if (!problem.empty()) return problem;
        } else {
            return "watch does not take \"" + option + "\"" + (hasValue ? "" : " here");
        }
    }
    if (!options->function) return "watch takes a function BB:DD.F";
    return {};
}

// Why a read shows the function gone.
const char* GoneReason(const ConfigSpaceRead& read) {
    const bool refused = read.size == 0 || !read.read[0];
    return refused ? "reading it fails" : "its identity reads FFFFFFFF";
}

class FunctionWatch {
  public:
    explicit FunctionWatch(const WatchOptions& options) : options_(options) {
        PciFormState& form = model_->Form();
        form.bus = options.function->bus;
        form.device = options.function->device;
        form.function = options.function->function;
        form.segment = options.function->segment;
        model_->FunctionOfBoxes(&entry_);
        // Probed once: the window does not move while a function is watched.
        if (entry_.kind == PCI_KIND_PCIE)
            base_ = DetectMmioBase(*options_.function, entry_.Identity());
    }

    // The first read: false (said on stderr) when no function answers.
    bool Start() {
        const ConfigSpaceRead read = ReadFunctionSpace(*options_.function, entry_.kind, base_);
        if (!watch_.Next(read.Bytes(), read.DwordsRead()).gone) return true;
        std::fprintf(stderr, "tarvolent-cli: no function answers at %s: %s\n", Name().c_str(),
                     GoneReason(read));
        return false;
    }

    // Reads again and prints what changed; the exit code once watching
    // ends, nullopt while it goes on.
    std::optional<int> Step() {
        const ConfigSpaceRead read = ReadFunctionSpace(*options_.function, entry_.kind, base_);
        const pcidef::ConfigWatch::Step step = watch_.Next(read.Bytes(), read.DwordsRead());
        const WatchClock::time_point now = WatchClock::now();
        for (const pcidef::DwordChange& change : step.changes) {
            const std::string line = options_.json ? WatchJsonLine(change, *options_.function, now)
                                                   : WatchTextLine(change, now);
            std::printf("%s\n", line.c_str());
            if (std::fflush(stdout) != 0) return kExitFailure;
            if (options_.count && ++printed_ >= *options_.count) return 0;
        }
        if (!step.gone) return std::nullopt;
        std::fprintf(stderr, "tarvolent-cli: %s is gone (%s); watching stops\n", Name().c_str(),
                     GoneReason(read));
        return kExitFailure;
    }

  private:
    std::string Name() const { return options_.function->ToString(); }

    const WatchOptions& options_;
    std::unique_ptr<PciWindowModel> model_ = std::make_unique<PciWindowModel>();
    PciDeviceEntry entry_{};
    uint32_t base_ = 0;
    pcidef::ConfigWatch watch_;
    uint64_t printed_ = 0;
};

}  // namespace

int RunWatchCommand(const std::vector<std::string>& arguments) {
    WatchOptions options;
    const std::string problem = ParseWatchOptions(arguments, &options);
    if (!problem.empty()) return ArgumentProblem(problem);
    if (!StartDriver()) return kExitFailure;
    FunctionWatch watch(options);
    if (!watch.Start()) return kExitFailure;
    StopSignals stop;
    // On stderr, so stdout holds only the changes.
    std::fprintf(stderr, "tarvolent-cli: watching %s every %llu ms until interrupted\n",
                 options.function->ToString().c_str(),
                 static_cast<unsigned long long>(options.intervalMs));
    while (!stop.Wait(static_cast<int>(options.intervalMs))) {
        if (const std::optional<int> code = watch.Step()) return *code;
    }
    return 0;
}
