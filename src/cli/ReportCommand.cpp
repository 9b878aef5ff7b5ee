// SPDX-License-Identifier: MIT
#include "cli/ReportCommand.h"

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>

#include "cli/DriverStart.h"
#include "cli/FunctionArgument.h"
#include "cli/HeldOutput.h"
#include "cli/RefusalMessage.h"
#include "cli/RefusedRequestWatch.h"
#include "cli/ReportJson.h"
#include "cli/ScanCommand.h"
#include "pci/PciReportWriter.h"
#include "pci/PciWindowModel.h"
#include "pci/ReportFile.h"
#include "platform/MessageBox.h"

namespace {

struct ReportOptions {
    bool all = false;
    std::optional<FunctionAddress> current;
    std::string baseText = kAutoBaseText;
    std::optional<std::string> outputPath;
    bool json = false;
};

// Empty when the options are sound, else what is wrong with them.
std::string ParseReportOptions(const std::vector<std::string>& arguments, ReportOptions* options) {
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& option = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (option == "--all") {
            options->all = true;
        } else if (option == "--current" && hasValue) {
            const std::string problem =
                ParseFunctionArgument(arguments[++i], &options->current.emplace());
            if (!problem.empty()) return problem;
        } else if (option == "--base" && hasValue) {
            const std::string& base = arguments[++i];
            options->baseText = base == "auto" ? std::string(kAutoBaseText) : base;
        } else if (option == "--json") {
            options->json = true;
        } else if (option == "-o" && hasValue) {
            options->outputPath = arguments[++i];
        } else {
            return "report does not take \"" + option + "\"" + (hasValue ? "" : " here");
        }
    }
    if (options->all == options->current.has_value()) return "report takes --all or --current";
    return {};
}

// The base typed for the window; nullopt for "Auto".
std::optional<uint32_t> WindowBaseOf(const ReportOptions& options) {
    const std::optional<BaseAddressChoice> choice =
        PciWindowModel::ParseBaseAddressText(options.baseText);
    if (!choice || choice->automatic) return std::nullopt;
    return choice->base;
}

void WriteReport(const ReportOptions& options, PciWindowModel& model, std::FILE* out) {
    // The text of every function is written by WriteEveryFunction.
    if (options.all) {
        std::fputs(AllDevicesReportJson(model).c_str(), out);
        return;
    }
    PciFormState& form = model.Form();
    form.bus = options.current->bus;
    form.device = options.current->device;
    form.function = options.current->function;
    form.segment = options.current->segment;
    model.ReadSelectedFunction();
    if (options.json) {
        std::fputs(CurrentDeviceReportJson(model).c_str(), out);
    } else {
        WriteCurrentDeviceReport(form, out);
    }
}

bool Finish(std::FILE* out) {
    if (out != stdout) return CloseReportFile(out);
    if (std::fflush(out) == 0 && std::ferror(out) == 0) return true;
    ShowMessage(kUnableToWriteFileMessage);
    return false;
}

// The report as the window writes it, held back until every request behind
// it was carried out; false (said on stderr) when one was not.
bool ComposeReport(const ReportOptions& options, PciWindowModel& model, HeldOutput& report) {
    RefusedRequestWatch watch(IsWindowProbe);
    if (report.Stream()) WriteReport(options, model, report.Stream());
    if (ReportedRefusal(watch, WindowBaseOf(options))) return false;
    if (!report.Complete()) {
        ShowMessage(kUnableToWriteFileMessage);
        return false;
    }
    return true;
}

// Opened only once the report is complete, so a failed one leaves an
// existing file as it was.
std::FILE* OpenOutput(const std::optional<std::string>& path) {
    return path ? OpenReportFile(*path, output_file::Kind::Report, "w") : stdout;
}

bool Deliver(HeldOutput& report, const std::optional<std::string>& path) {
    std::FILE* out = OpenOutput(path);
    if (!out) return false;
    if (!report.CopyTo(out)) {
        if (out != stdout) std::fclose(out);
        ShowMessage(kUnableToWriteFileMessage);
        return false;
    }
    return Finish(out);
}

// The text of every function: read whole before a line is written, then
// written straight out; tens of megabytes need not be held.
bool WriteEveryFunction(const ReportOptions& options, PciWindowModel& model) {
    RefusedRequestWatch watch(IsWindowProbe);
    AllDevicesReport report(model);
    if (ReportedRefusal(watch, WindowBaseOf(options))) return false;
    std::FILE* out = OpenOutput(options.outputPath);
    if (!out) return false;
    report.Write(out);
    // Only the window's own read back of its shown function is left, which
    // a refusal there fails as before, with the report written.
    const bool written = Finish(out);
    return !ReportedRefusal(watch, WindowBaseOf(options)) && written;
}

}  // namespace

int RunReportCommand(const std::vector<std::string>& arguments) {
    ReportOptions options;
    const std::string problem = ParseReportOptions(arguments, &options);
    if (!problem.empty()) return ArgumentProblem(problem);
    if (!PciWindowModel::ParseBaseAddressText(options.baseText)) {
        ShowMessage(kBaseAddressErrorMessage);
        return kExitFailure;
    }
    if (options.outputPath) options.outputPath = PathFromHere(*options.outputPath);
    if (!StartDriver()) return kExitFailure;
    auto model = std::make_unique<PciWindowModel>();
    model->Form().baseAddressText = options.baseText;
    {
        RefusedRequestWatch watch(IsWindowProbe);
        model->OnScanAllDevices();
        if (ReportedRefusal(watch, WindowBaseOf(options))) return kExitFailure;
    }
    if (!model->Scanned()) {
        ShowMessage(kNoPciInformationMessage);
        return kExitFailure;
    }
    if (options.all && !options.json) return WriteEveryFunction(options, *model) ? 0 : kExitFailure;
    HeldOutput report;
    return ComposeReport(options, *model, report) && Deliver(report, options.outputPath)
               ? 0
               : kExitFailure;
}
