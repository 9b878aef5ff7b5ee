// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>
#include <vector>

// tarvolent-cli [--machine FILE|builtin] COMMAND [ARGS]; --machine may also
// follow the command.
struct CliArguments {
    std::optional<std::string> machine;
    bool help = false;
    bool version = false;
    std::string command;
    std::vector<std::string> commandArguments;  // in order, --machine taken out
};

// False with `problem` set when an option lacks its value.
bool ParseCliArguments(int argc, char** argv, CliArguments* arguments, std::string* problem);

std::string CliUsage();

// Takes every `flag` out of a command's arguments; whether there was one.
bool TakeFlag(std::vector<std::string>& arguments, const std::string& flag);
