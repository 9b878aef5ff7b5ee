// SPDX-License-Identifier: MIT
#pragma once

#include <string>

#include "pcidef/FunctionAddress.h"

// A function named on the command line: BB:DD.F (segment 0) or
// DDDD:BB:DD.F in hexadecimal, bus and device with one or two digits. "" with
// *function set; else what is wrong, to say with ArgumentProblem.
std::string ParseFunctionArgument(const std::string& text, FunctionAddress* function);

// "tarvolent-cli: PROBLEM" on stderr; returns kExitUsage.
int ArgumentProblem(const std::string& problem);
