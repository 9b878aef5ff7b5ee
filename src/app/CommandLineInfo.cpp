// SPDX-License-Identifier: MIT
#include "app/CommandLineInfo.h"

CommandLineInfo ParseCommandLine(const std::vector<std::string>& arguments) {
    CommandLineInfo info;
    for (size_t i = 1; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--machine") {
            if (i + 1 == arguments.size()) {
                info.error = "--machine needs a machine file or \"builtin\"";
                return info;
            }
            info.machine = arguments[++i];
        } else if (argument.starts_with("--machine=")) {
            info.machine = argument.substr(10);
            if (info.machine->empty()) {
                info.error = "--machine needs a machine file or \"builtin\"";
                return info;
            }
        } else if (argument == "--version") {
            info.version = true;
        } else if (!argument.starts_with("-")) {
            info.fileNames.push_back(argument);
        }
    }
    return info;
}
