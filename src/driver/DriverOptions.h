// SPDX-License-Identifier: MIT
#pragma once

#include <string>

#include "protocol/DriverNames.h"

// The driver program's command line: [--socket NAME] [--foreground], or
// --system [--foreground] for the machine's system driver, or --version.
struct DriverOptions {
    std::string socketName = kDriverName;
    bool foreground = false;
    bool system = false;
    bool version = false;

    // False with a message on an unknown option or a bad socket name.
    static bool Parse(int argc, char** argv, DriverOptions* options, std::string* error);
};
