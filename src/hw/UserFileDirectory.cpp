// SPDX-License-Identifier: MIT
#include "hw/UserFileDirectory.h"

#include "hw/SystemFunctions.h"
#include "platform/SystemServices.h"

std::string UserFileDirectory() {
    const std::string program = ProgramDirectory();
    SystemServices& system = SystemServices::Current();
    if (system.MayWriteDirectory(program)) return program;
    const std::string home = system.HomeDirectory();
    return home.empty() ? program : home;
}
