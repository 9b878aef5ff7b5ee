// SPDX-License-Identifier: MIT
#include "cli/ConfigDwordCommands.h"

#include <cstdio>
#include <memory>
#include <optional>

#include "cli/CliArguments.h"
#include "cli/DecodeJson.h"
#include "cli/DriverStart.h"
#include "cli/FunctionArgument.h"
#include "cli/RefusalMessage.h"
#include "cli/RefusedRequestWatch.h"
#include "cli/ScanCommand.h"
#include "hw/SystemFunctions.h"
#include "pci/PciWindowModel.h"
#include "platform/MessageBox.h"

namespace {

struct RegisterArguments {
    FunctionAddress function;
    uint32_t offset = 0;
};

// Empty when the function and offset are sound, else what is wrong.
std::string ParseRegisterArguments(const std::vector<std::string>& arguments,
                                   RegisterArguments* parsed) {
    const std::string problem = ParseFunctionArgument(arguments[0], &parsed->function);
    if (!problem.empty()) return problem;
    const auto offset = ParseExactHexField(arguments[1]);
    if (!offset || *offset % 4 != 0)
        return "\"" + arguments[1] + "\" is not a register offset (hexadecimal, a multiple of 4)";
    parsed->offset = *offset;
    return {};
}

// Reads the function as the window shows it; the row of the offset, or -1
// (said on stderr) when the function has no such register.
int ShowRegisterOf(PciWindowModel& model, const RegisterArguments& target) {
    PciFormState& form = model.Form();
    form.bus = target.function.bus;
    form.device = target.function.device;
    form.function = target.function.function;
    form.segment = target.function.segment;
    model.ReadSelectedFunction();
    const size_t row = target.offset / 4;
    if (row < form.registers.size()) return static_cast<int>(row);
    std::fprintf(stderr, "Offset %X is beyond the %zu configuration bytes read from %s\n",
                 target.offset, form.registers.size() * 4, ShownFunction(target.function).c_str());
    return -1;
}

}  // namespace

int RunReadCommand(const std::vector<std::string>& given) {
    std::vector<std::string> arguments = given;
    const bool json = TakeFlag(arguments, "--json");
    if (arguments.size() != 2) return kExitUsage;
    RegisterArguments target;
    const std::string problem = ParseRegisterArguments(arguments, &target);
    if (!problem.empty()) return ArgumentProblem(problem);
    if (!StartDriver()) return kExitFailure;
    RefusedRequestWatch watch(IsWindowProbe);
    auto model = std::make_unique<PciWindowModel>();
    const int row = ShowRegisterOf(*model, target);
    if (ReportedRefusal(watch) || row < 0) return kExitFailure;
    if (json) {
        const OrderedJson value = {{"bdf", target.function.ToString()},
                                   {"offset", target.offset},
                                   {"value", model->ConfigBuffer()[static_cast<size_t>(row)]}};
        std::fputs(PrintedJson(value).c_str(), stdout);
    } else {
        std::printf("%s\n", model->Form().registers[static_cast<size_t>(row)].value.c_str());
    }
    return std::fflush(stdout) == 0 ? 0 : kExitFailure;
}

int RunWriteCommand(const std::vector<std::string>& arguments) {
    if (arguments.size() != 3) return kExitUsage;
    RegisterArguments target;
    const std::string problem = ParseRegisterArguments(arguments, &target);
    if (!problem.empty()) return ArgumentProblem(problem);
    if (!ParseExactHexField(arguments[2])) {
        ShowMessage(kInputDataErrorMessage);
        return kExitFailure;
    }
    if (!StartDriver()) return kExitFailure;
    RefusedRequestWatch watch(IsWindowProbe);
    auto model = std::make_unique<PciWindowModel>();
    const int row = ShowRegisterOf(*model, target);
    // A function that could not be read whole is not written to.
    if (ReportedRefusal(watch) || row < 0) return kExitFailure;
    PciFormState& form = model->Form();
    form.registerSelection = row;
    model->OnRegisterItemChanged();
    form.valueText = arguments[2];
    model->OnWriteRegister();
    return ReportedRefusal(watch) ? kExitFailure : 0;
}
