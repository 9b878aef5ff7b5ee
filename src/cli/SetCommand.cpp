// SPDX-License-Identifier: MIT
#include "cli/SetCommand.h"

#include <cstdio>
#include <optional>

#include "cli/CliArguments.h"
#include "cli/DriverStart.h"
#include "cli/FunctionArgument.h"
#include "cli/FunctionSpaceAccess.h"
#include "cli/RefusalMessage.h"
#include "cli/RefusedRequestWatch.h"
#include "cli/ScanCommand.h"
#include "cli/WindowBaseOption.h"
#include "pcidef/ConfigDecoder.h"
#include "pcidef/FieldText.h"
#include "pcidef/FieldWrite.h"
#include "pcidef/StringPrintf.h"

namespace {

using pcidef::StringPrintf;

struct SetOptions {
    FunctionAddress function;
    std::vector<std::string> assignments;
    bool dryRun = false;
    std::optional<uint32_t> windowBase;
};

std::string ParseSetOptions(std::vector<std::string> arguments, SetOptions* options) {
    options->dryRun = TakeFlag(arguments, "--dry-run");
    std::string problem = TakeWindowBase(arguments, &options->windowBase);
    if (!problem.empty()) return problem;
    if (arguments.size() < 2) return "set takes a function BB:DD.F and at least one NAME=VALUE";
    options->assignments.assign(arguments.begin() + 1, arguments.end());
    return ParseFunctionArgument(arguments[0], &options->function);
}

std::string ValueText(const pcidef::FieldChange& change, uint32_t value) {
    return StringPrintf("%s (0x%X)", pcidef::FieldText(*change.field, value).c_str(), value);
}

bool Refuse(const std::vector<std::string>& errors) {
    for (const std::string& error : errors)
        std::fprintf(stderr, "tarvolent-cli: %s\n", error.c_str());
    return !errors.empty();
}

// The dwords a write touches that were not read: they are not written,
// since their other bits are unknown.
std::vector<std::string> UnreadDwords(const pcidef::FieldWrite& plan, const FunctionBytes& space,
                                      const FunctionAddress& function) {
    std::vector<std::string> errors;
    for (const pcidef::DwordWrite& write : plan.writes) {
        if (space.Readable(write.offset)) continue;
        for (const pcidef::FieldChange& change : write.changes) {
            errors.push_back(
                StringPrintf("%s: offset %X of %s could not be read, so it is not "
                             "written",
                             change.name.c_str(), write.offset, function.ToString().c_str()));
        }
    }
    return errors;
}

void PrintChanges(const pcidef::FieldWrite& plan, const FunctionBytes& before,
                  const FunctionBytes* after) {
    for (const pcidef::DwordWrite& write : plan.writes) {
        const uint32_t old = before.Dword(write.offset);
        const uint32_t now = after ? after->Dword(write.offset) : write.Apply(old);
        const bool readBack = !after || after->Readable(write.offset);
        for (const pcidef::FieldChange& change : write.changes) {
            std::string line = change.name + ": " + ValueText(change, change.ValueIn(old)) + " -> ";
            line += readBack ? ValueText(change, change.ValueIn(now)) : "not readable";
            if (readBack && change.ValueIn(now) != change.value)
                line += StringPrintf(" (wrote 0x%X)", change.value);
            std::printf("%s\n", line.c_str());
        }
    }
}

int WriteAndReadBack(FunctionSpaceAccess& access, const AccessedFunction& function,
                     const pcidef::FieldWrite& plan, const FunctionBytes& before) {
    RefusedRequestWatch watch(IsWindowProbe);
    for (const pcidef::DwordWrite& write : plan.writes) {
        if (!access.Write(function, write.offset, write.Apply(before.Dword(write.offset)))) break;
    }
    if (ReportedRefusal(watch, access.WindowBase())) return kExitFailure;
    const FunctionBytes after = access.Read(function);
    PrintChanges(plan, before, &after);
    return std::fflush(stdout) == 0 ? 0 : kExitFailure;
}

}  // namespace

int RunSetCommand(const std::vector<std::string>& arguments) {
    SetOptions options;
    const std::string problem = ParseSetOptions(arguments, &options);
    if (!problem.empty()) return ArgumentProblem(problem);
    if (!StartDriver()) return kExitFailure;
    FunctionSpaceAccess access(options.windowBase);
    AccessedFunction function;
    {
        RefusedRequestWatch watch(IsWindowProbe);
        function = FunctionSpaceAccess::Identify(options.function);
        if (ReportedRefusal(watch)) return kExitFailure;
    }
    if (function.entry.vendorId == 0xFFFF) {
        Refuse({"no function answers at " + options.function.ToString()});
        return kExitFailure;
    }
    const FunctionBytes before = access.Read(function);
    const pcidef::DecodedFunction decoded = pcidef::Decode(before.bytes, before.readable);
    const pcidef::FieldWrite plan = pcidef::FieldWrite::Plan(decoded, options.assignments);
    if (Refuse(plan.errors) || Refuse(UnreadDwords(plan, before, options.function)))
        return kExitFailure;
    if (!options.dryRun) return WriteAndReadBack(access, function, plan, before);
    PrintChanges(plan, before, nullptr);
    std::printf("Nothing written (--dry-run).\n");
    return std::fflush(stdout) == 0 ? 0 : kExitFailure;
}
