// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>
#include <vector>

// The command line: --machine FILE|builtin, --version, and file names that
// are kept but never opened.
struct CommandLineInfo {
    std::optional<std::string> machine;
    bool version = false;
    std::vector<std::string> fileNames;
    // Set when the command line cannot be read, e.g. --machine without a value.
    std::string error;
};

CommandLineInfo ParseCommandLine(const std::vector<std::string>& arguments);
