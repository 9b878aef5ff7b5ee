// SPDX-License-Identifier: MIT
#include "cli/CliArguments.h"

#include <algorithm>

bool ParseCliArguments(int argc, char** argv, CliArguments* arguments, std::string* problem) {
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        if (argument == "--machine") {
            if (i + 1 >= argc) {
                *problem = "--machine needs a machine file or \"builtin\"";
                return false;
            }
            arguments->machine = argv[++i];
        } else if (argument == "--help" || argument == "-h") {
            arguments->help = true;
        } else if (argument == "--version") {
            arguments->version = true;
        } else if (arguments->command.empty()) {
            arguments->command = argument;
        } else {
            arguments->commandArguments.push_back(argument);
        }
    }
    return true;
}

std::string CliUsage() {
    return "usage: tarvolent-cli [--machine FILE|builtin] COMMAND [ARGS]\n"
           "\n"
           "Commands:\n"
           "  scan [--filter both|pci|pcie] [--json]\n"
           "                                  one device-list line per function found\n"
           "  report --all | --current BB:DD.F [--base auto|HEX] [-o FILE] [--json]\n"
           "                                  the PCI report of every function or of one\n"
           "  read BB:DD.F OFFSET [--json]    one configuration dword\n"
           "  write BB:DD.F OFFSET VALUE      write one configuration dword\n"
           "  decode BB:DD.F | --all [--base auto|HEX] [--json] [--names]\n"
           "                                  the configuration space by field\n"
           "  set BB:DD.F NAME=VALUE... [--base auto|HEX] [--dry-run]\n"
           "                                  write fields by name (PCIe.DevCtl.MaxPayload=256)\n"
           "  dump ADDRESS SIZE -o FILE       physical memory into FILE, byte for byte\n"
           "  find ADDRESS SIZE [--hex] [--case] TEXT\n"
           "                                  the address of every match in physical memory\n"
           "  watch BB:DD.F [--interval MS] [--count N] [--json]\n"
           "                                  a line per configuration dword that changes\n"
           "  metrics [-o FILE]               Prometheus metrics of every function\n"
           "\n"
           "Numbers are hexadecimal. --base is the PCI Express window's base address\n"
           "\n"
           "Options:\n"
           "  --machine FILE|builtin  use a simulated machine (JSON or lspci -xxx dump)\n"
           "  --help                  this text\n"
           "  --version               the program's version\n";
}

bool TakeFlag(std::vector<std::string>& arguments, const std::string& flag) {
    const auto end = std::remove(arguments.begin(), arguments.end(), flag);
    const bool found = end != arguments.end();
    arguments.erase(end, arguments.end());
    return found;
}
