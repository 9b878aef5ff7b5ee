// SPDX-License-Identifier: MIT
#include "driver/DriverOptions.h"

bool DriverOptions::Parse(int argc, char** argv, DriverOptions* options, std::string* error) {
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        if (argument == "--foreground") {
            options->foreground = true;
        } else if (argument == "--system") {
            options->system = true;
        } else if (argument == "--version") {
            options->version = true;
        } else if (argument == "--socket" && i + 1 < argc) {
            options->socketName = argv[++i];
            // A bare name inside the runtime directory, never a path elsewhere.
            if (options->socketName.empty() || options->socketName.find('/') != std::string::npos ||
                options->socketName == "." || options->socketName == "..") {
                *error = "--socket: \"" + options->socketName + "\" is not a plain socket name";
                return false;
            }
        } else {
            *error = "unknown option \"" + argument +
                     "\" (usage: [--socket NAME] [--foreground] | --system [--foreground] | "
                     "--version)";
            return false;
        }
    }
    if (options->system && options->socketName != kDriverName) {
        *error = std::string("--system listens on the socket ") + kDriverName +
                 "; --socket does not go with it";
        return false;
    }
    return true;
}
