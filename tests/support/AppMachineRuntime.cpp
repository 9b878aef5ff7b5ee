#include "support/AppMachineRuntime.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include "hw/DriverInstaller.h"
#include "platform/route/MachineSelection.h"
#include "platform/trust/RuntimeDirectory.h"

namespace {

std::optional<std::string> Variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::optional<std::string>(value) : std::nullopt;
}

void Restore(const char* name, const std::optional<std::string>& value) {
    if (value)
        setenv(name, value->c_str(), 1);
    else
        unsetenv(name);
}

}  // namespace

AppMachineRuntime::AppMachineRuntime()
    : savedRuntime_(Variable("BOREALIX_RUNTIME_DIR")), savedMachine_(Variable("BOREALIX_MACHINE")) {
    std::string error;
    EXPECT_TRUE(SelectMachine("builtin", &error)) << error;
    directory_ = RuntimeDirectory();
}

AppMachineRuntime::~AppMachineRuntime() {
    Restore("BOREALIX_RUNTIME_DIR", savedRuntime_);
    Restore("BOREALIX_MACHINE", savedMachine_);
}

void StopBuiltinMachineDriver() {
    AppMachineRuntime runtime;
    RemoveDriverService("Borealix");
}
