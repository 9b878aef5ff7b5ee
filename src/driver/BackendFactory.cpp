// SPDX-License-Identifier: MIT
#include "driver/BackendFactory.h"

#include <cstdlib>
#include <utility>

#include "driver/LinuxBackend.h"
#include "driver/SimBackend.h"
#include "sim/MachineFileLoader.h"

std::unique_ptr<DriverBackend> CreateBackend(const char* machine, std::string* error,
                                             std::vector<std::string>* warnings) {
    if (!machine || !*machine) {
        LinuxBackend::Paths paths;
        const char* readOnly = std::getenv("BOREALIX_HARDWARE_READ_ONLY");
        paths.readOnly = readOnly && *readOnly;
        return std::make_unique<LinuxBackend>(paths);
    }
    MachineLoad load = MachineFileLoader::Load(machine);
    *warnings = std::move(load.warnings);
    if (!load.Ok()) {
        *error = load.error;
        return nullptr;
    }
    return std::make_unique<SimBackend>(std::move(load.machine));
}
