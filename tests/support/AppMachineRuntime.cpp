// SPDX-License-Identifier: MIT
#include "support/AppMachineRuntime.h"

#include <gtest/gtest.h>

#include "platform/route/MachineSelection.h"
#include "platform/trust/RuntimeDirectory.h"
#include "protocol/DriverNames.h"

AppMachineRuntime::AppMachineRuntime()
    : runtime_(kRuntimeDirectoryVariable), machine_(kMachineVariable) {
    std::string error;
    EXPECT_TRUE(SelectMachine("builtin", &error)) << error;
    directory_ = RuntimeDirectory();
}
