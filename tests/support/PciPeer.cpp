// SPDX-License-Identifier: MIT
#include "support/PciPeer.h"

#include <unistd.h>

#include <filesystem>
#include <sstream>

#include "sim/MachineFileLoader.h"
#include "support/CommandOutput.h"

bool HasPciFunctions() {
    std::error_code error;
    return std::filesystem::exists("/sys/bus/pci/devices", error) &&
           !std::filesystem::is_empty("/sys/bus/pci/devices", error);
}

std::string OwnDriverUnavailable() {
    return geteuid() == 0 ? "" : "only root runs a driver of its own on this machine's hardware";
}

std::string LspciUnavailable() {
    return CommandOutput("command -v lspci").empty() ? "lspci is not installed" : "";
}

std::vector<std::string> LspciFunctions() {
    std::istringstream lines(CommandOutput("lspci -D -n 2>/dev/null"));
    std::vector<std::string> functions;
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("0000:", 0) == 0) functions.push_back(line.substr(5, 7));
    }
    return functions;
}

MachineLoad LspciConfigurationDump() {
    return MachineFileLoader::LoadText(CommandOutput("lspci -xxx 2>/dev/null"), "lspci -xxx");
}
