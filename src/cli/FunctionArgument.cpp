#include "cli/FunctionArgument.h"

#include <cstdio>
#include <optional>

#include "cli/ScanCommand.h"

std::string ParseFunctionArgument(const std::string& text, FunctionAddress* function) {
    const std::optional<FunctionAddress> parsed = ParseFunctionAddress(text, AddressDigits::Typed);
    if (!parsed || parsed->segment != 0)
        return "\"" + text + "\" is not a function BB:DD.F (bus 00-FF, device 00-1F, function 0-7)";
    *function = *parsed;
    return {};
}

int ArgumentProblem(const std::string& problem) {
    std::fprintf(stderr, "tarvolent-cli: %s\n", problem.c_str());
    return kExitUsage;
}
