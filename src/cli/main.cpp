#include <cstdio>
#include <string>

#include "cli/CliArguments.h"
#include "cli/ScanCommand.h"
#include "cli/StderrMessageBox.h"
#include "platform/MachineSelection.h"
#include "platform/Seam.h"

namespace {

int UsageError(const std::string& problem) {
    if (!problem.empty()) std::fprintf(stderr, "tarvolent-cli: %s\n", problem.c_str());
    std::fputs(CliUsage().c_str(), stderr);
    return kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
    StderrMessageBox messages;
    ScopedOverride<MessageBoxService> messageBox(messages);

    CliArguments arguments;
    std::string problem;
    if (!ParseCliArguments(argc, argv, &arguments, &problem)) return UsageError(problem);
    if (arguments.help) {
        std::fputs(CliUsage().c_str(), stdout);
        return 0;
    }
    if (arguments.command.empty()) return UsageError("no command given");
    if (arguments.command != "scan")
        return UsageError("unknown command \"" + arguments.command + "\"");
    if (arguments.machine) {
        std::string error;
        if (!SelectMachine(*arguments.machine, &error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return kExitFailure;
        }
    }
    int code = RunScanCommand(arguments.commandArguments);
    if (code == kExitUsage) return UsageError("scan takes [--filter both|pci|pcie]");
    return code;
}
