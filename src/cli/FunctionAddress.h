#pragma once

#include <optional>
#include <string>

// A function named on the command line as BB:DD.F in hexadecimal.
struct FunctionAddress {
    int bus = 0;
    int device = 0;
    int function = 0;
};

// Bus 00-FF, device 00-1F, function 0-7, one or two digits for bus and
// device; nullopt for anything else.
std::optional<FunctionAddress> ParseFunctionAddress(const std::string& text);

// "tarvolent-cli: PROBLEM" on stderr; returns kExitUsage.
int ArgumentProblem(const std::string& problem);
