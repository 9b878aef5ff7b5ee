// SPDX-License-Identifier: MIT
#pragma once

#include <string>

#include "support/EnvironmentGuard.h"

// While alive, this process looks at the runtime directory that
// `--machine builtin` gives a program started from it, as the program itself
// does. Start no process while one is alive: it would nest the directory.
class AppMachineRuntime {
  public:
    AppMachineRuntime();
    AppMachineRuntime(const AppMachineRuntime&) = delete;
    AppMachineRuntime& operator=(const AppMachineRuntime&) = delete;

    const std::string& Directory() const { return directory_; }

  private:
    EnvironmentGuard runtime_;
    EnvironmentGuard machine_;
    std::string directory_;
};
