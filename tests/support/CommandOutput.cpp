// SPDX-License-Identifier: MIT
#include "support/CommandOutput.h"

#include <sys/wait.h>

#include <array>
#include <cstdio>

CommandResult RunShellCommand(const std::string& command) {
    CommandResult result;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return result;
    std::array<char, 4096> chunk;
    size_t got;
    while ((got = fread(chunk.data(), 1, chunk.size(), pipe)) > 0)
        result.output.append(chunk.data(), got);
    const int status = pclose(pipe);
    if (status != -1 && WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    return result;
}

std::string CommandOutput(const std::string& command) {
    return RunShellCommand(command).output;
}

bool HasTool(const std::string& name) {
    return RunShellCommand("command -v " + name + " >/dev/null 2>&1").exitCode == 0;
}
