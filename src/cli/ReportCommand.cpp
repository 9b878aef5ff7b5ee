#include "cli/ReportCommand.h"

#include <cstdio>
#include <memory>
#include <optional>

#include "cli/DriverStart.h"
#include "cli/FunctionAddress.h"
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
};

// Empty when the options are sound, else what is wrong with them.
std::string ParseReportOptions(const std::vector<std::string>& arguments, ReportOptions* options) {
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& option = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (option == "--all") {
            options->all = true;
        } else if (option == "--current" && hasValue) {
            options->current = ParseFunctionAddress(arguments[++i]);
            if (!options->current)
                return "\"" + arguments[i] +
                       "\" is not a function BB:DD.F (bus 00-FF, device 00-1F, function 0-7)";
        } else if (option == "--base" && hasValue) {
            const std::string& base = arguments[++i];
            options->baseText = base == "auto" ? std::string(kAutoBaseText) : base;
        } else if (option == "-o" && hasValue) {
            options->outputPath = arguments[++i];
        } else {
            return "report does not take \"" + option + "\"" + (hasValue ? "" : " here");
        }
    }
    if (options->all == options->current.has_value()) return "report takes --all or --current";
    return {};
}

void WriteReport(const ReportOptions& options, PciWindowModel& model, std::FILE* out) {
    if (options.all) {
        WriteAllDevicesReport(model, out);
        return;
    }
    PciFormState& form = model.Form();
    form.bus = options.current->bus;
    form.device = options.current->device;
    form.function = options.current->function;
    model.ReadSelectedFunction();
    WriteCurrentDeviceReport(form, out);
}

bool Finish(std::FILE* out) {
    if (out != stdout) return CloseReportFile(out);
    if (std::fflush(out) == 0 && std::ferror(out) == 0) return true;
    ShowMessage(kUnableToWriteFileMessage);
    return false;
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
    std::FILE* out = stdout;
    if (options.outputPath) {
        out = std::fopen(options.outputPath->c_str(), "w");
        if (!out) {
            ShowMessage(kUnableToOpenFileMessage);
            return kExitFailure;
        }
    }
    auto model = std::make_unique<PciWindowModel>();
    model->Form().baseAddressText = options.baseText;
    bool written = false;
    if (StartDriver()) {
        model->OnScanAllDevices();
        if (model->Scanned()) {
            WriteReport(options, *model, out);
            written = true;
        } else {
            ShowMessage(kNoPciInformationMessage);
        }
    }
    const bool finished = Finish(out);
    return written && finished ? 0 : kExitFailure;
}
