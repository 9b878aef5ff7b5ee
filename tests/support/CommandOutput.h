// SPDX-License-Identifier: MIT
#pragma once

#include <string>

// What a shell command prints on stdout; empty when it cannot be run.
std::string CommandOutput(const std::string& command);

struct CommandResult {
    int exitCode = -1;  // -1 when it could not be run or did not exit
    std::string output;
};
// Runs a shell command; its exit status and what it printed on stdout.
CommandResult RunShellCommand(const std::string& command);

// Whether the shell finds a command of that name.
bool HasTool(const std::string& name);
