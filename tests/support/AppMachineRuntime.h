#pragma once

#include <optional>
#include <string>

// While alive, this process looks at the runtime directory that
// `--machine builtin` gives a program started from it, as the program itself
// does. Start no process while one is alive: it would nest the directory.
class AppMachineRuntime {
  public:
    AppMachineRuntime();
    ~AppMachineRuntime();
    AppMachineRuntime(const AppMachineRuntime&) = delete;
    AppMachineRuntime& operator=(const AppMachineRuntime&) = delete;

    const std::string& Directory() const { return directory_; }

  private:
    std::optional<std::string> savedRuntime_;
    std::optional<std::string> savedMachine_;
    std::string directory_;
};

// Stops and removes the builtin machine's driver service, if any.
void StopBuiltinMachineDriver();
