// SPDX-License-Identifier: MIT
#include "support/ForegroundDriver.h"

#include <signal.h>
#include <unistd.h>

#include "platform/route/UnixSocket.h"
#include "platform/trust/RuntimeDirectory.h"
#include "protocol/DriverNames.h"
#include "support/DriverStop.h"
#include "support/EnvironmentGuard.h"

std::string ForegroundDriver::Program() {
    return std::string(TARVOLENT_BIN_DIR) + "/BOREX64.SYS";
}

ForegroundDriver::ForegroundDriver(const std::string& machine, const std::string& socketName)
    : socketName_(socketName) {
    std::vector<std::pair<std::string, std::string>> environment;
    if (!machine.empty()) environment.emplace_back(kMachineVariable, machine);
    {
        // An empty machine means the linux backend: the child must not inherit one.
        EnvironmentGuard inherited(kMachineVariable);
        if (machine.empty()) inherited.Unset();
        process_ = std::make_unique<AppProcess>(
            Program(), std::vector<std::string>{"--foreground", "--socket", socketName},
            environment);
    }
    ready_ =
        WaitUntil([this] { return unix_socket::Answers(SocketPath()) || !process_->Running(); },
                  std::chrono::seconds(10)) &&
        process_->Running();
}

ForegroundDriver::~ForegroundDriver() {
    Stop();
}

std::string ForegroundDriver::SocketPath() const {
    return RuntimeDirectory() + "/" + socketName_;
}

std::optional<int> ForegroundDriver::Stop() {
    if (process_->Running()) SendStopFrame(SocketPath());
    std::optional<int> status = process_->WaitForExit(std::chrono::seconds(5));
    if (!status) {
        process_->Signal(SIGTERM);
        process_->WaitForExit(std::chrono::seconds(5));
    }
    return status;
}
