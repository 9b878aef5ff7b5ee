// SPDX-License-Identifier: MIT
#include "cli/FunctionArgument.h"

#include <cstdio>
#include <optional>

#include "cli/ScanCommand.h"

std::string ParseFunctionArgument(const std::string& text, FunctionAddress* function) {
    const std::optional<FunctionAddress> parsed = ParseFunctionAddress(text, AddressDigits::Typed);
    if (!parsed) {
        return "\"" + text +
               "\" is not a function [DDDD:]BB:DD.F (segment 0000-FFFF, bus 00-FF, device 00-1F, "
               "function 0-7)";
    }
    *function = *parsed;
    return {};
}

int ArgumentProblem(const std::string& problem) {
    std::fprintf(stderr, "tarvolent-cli: %s\n", problem.c_str());
    return kExitUsage;
}
