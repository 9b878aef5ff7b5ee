// SPDX-License-Identifier: MIT
#include "support/DriverStop.h"

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "hw/DriverInstaller.h"
#include "platform/route/MachineSelection.h"
#include "platform/route/UnixSocket.h"
#include "protocol/DeviceWire.h"
#include "protocol/DriverNames.h"
#include "support/EnvironmentGuard.h"

bool SendStopFrame(const std::string& socketPath) {
    int fd = unix_socket::Connect(socketPath);
    if (fd < 0) return false;
    unix_socket::SetTimeouts(fd, 5);
    wire::RequestHeader stop{wire::kRequestMagic, wire::kStopControlCode, 0, 0, 0};
    wire::ReplyHeader reply{};
    bool answered = unix_socket::SendAll(fd, &stop, sizeof(stop)) &&
                    unix_socket::ReceiveAll(fd, &reply, sizeof(reply)) &&
                    reply.magic == wire::kReplyMagic && reply.status == 0;
    close(fd);
    return answered;
}

// SelectMachine moves this process's runtime directory: the guards put it back.
void StopMachineDriver(const std::optional<std::string>& machine) {
    EnvironmentGuard runtime(kRuntimeDirectoryVariable);
    EnvironmentGuard selected(kMachineVariable);
    std::string error;
    if (!machine || SelectMachine(*machine, &error)) RemoveDriverService(kDriverName);
}

std::vector<std::string> StopDriversUnder(const std::string& directory) {
    namespace fs = std::filesystem;
    std::vector<std::string> stopped;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(directory, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        if (it->is_socket(error) && SendStopFrame(it->path().string())) {
            stopped.push_back(it->path().string());
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    }
    return stopped;
}
