// SPDX-License-Identifier: MIT
#include <cstdio>
#include <string>
#include <vector>

#include "cli/CliArguments.h"
#include "cli/ConfigDwordCommands.h"
#include "cli/DecodeCommand.h"
#include "cli/MemoryDumpCommands.h"
#include "cli/MetricsCommand.h"
#include "cli/ReportCommand.h"
#include "cli/ScanCommand.h"
#include "cli/SetCommand.h"
#include "cli/StderrMessageBox.h"
#include "cli/WatchCommand.h"
#include "platform/ProductIdentity.h"
#include "platform/Seam.h"
#include "platform/route/MachineSelection.h"
#include "platform/trust/PrivateTempFolder.h"

namespace {

struct CliCommand {
    const char* name;
    int (*run)(const std::vector<std::string>& arguments);
    const char* usage;
};

constexpr CliCommand kCommands[] = {
    {"scan", RunScanCommand, "scan takes [--filter both|pci|pcie] [--json]"},
    {"report", RunReportCommand,
     "report takes --all | --current BB:DD.F [--base auto|HEX] [-o FILE] [--json]"},
    {"read", RunReadCommand, "read takes BB:DD.F OFFSET [--json]"},
    {"write", RunWriteCommand, "write takes BB:DD.F OFFSET VALUE"},
    {"decode", RunDecodeCommand,
     "decode takes BB:DD.F | --all [--base auto|HEX] [--json] [--names]"},
    {"set", RunSetCommand, "set takes BB:DD.F NAME=VALUE... [--base auto|HEX] [--dry-run]"},
    {"dump", RunDumpCommand, "dump takes ADDRESS SIZE -o FILE"},
    {"find", RunFindCommand, "find takes ADDRESS SIZE [--hex] [--case] TEXT"},
    {"watch", RunWatchCommand, "watch takes BB:DD.F [--interval MS] [--count N] [--json]"},
    {"metrics", RunMetricsCommand, "metrics takes [-o FILE]"},
};

const CliCommand* FindCommand(const std::string& name) {
    for (const CliCommand& command : kCommands)
        if (name == command.name) return &command;
    return nullptr;
}

int UsageError(const std::string& problem) {
    if (!problem.empty()) std::fprintf(stderr, "tarvolent-cli: %s\n", problem.c_str());
    std::fputs(CliUsage().c_str(), stderr);
    return kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
    // Commands keep no temporary files of their own (find streams its
    // range), so no signal needs to clear any; what dead instances left
    // behind goes as at every start.
    private_temp::RemoveLeftovers();
    StderrMessageBox messages;
    ScopedOverride<MessageBoxService> messageBox(messages);

    CliArguments arguments;
    std::string problem;
    if (!ParseCliArguments(argc, argv, &arguments, &problem)) return UsageError(problem);
    if (arguments.version) {
        std::printf("tarvolent-cli %s\n", kProductVersion);
        return 0;
    }
    if (arguments.help) {
        std::fputs(CliUsage().c_str(), stdout);
        return 0;
    }
    if (arguments.command.empty()) return UsageError("no command given");
    const CliCommand* command = FindCommand(arguments.command);
    if (!command) return UsageError("unknown command \"" + arguments.command + "\"");
    if (arguments.machine) {
        std::string error;
        if (!SelectMachine(*arguments.machine, &error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return kExitFailure;
        }
    }
    int code = command->run(arguments.commandArguments);
    if (code == kExitUsage) return UsageError(command->usage);
    return code;
}
