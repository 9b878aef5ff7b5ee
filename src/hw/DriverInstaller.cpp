// SPDX-License-Identifier: MIT
#include "hw/DriverInstaller.h"

#include <chrono>

#include "hw/DriverDevice.h"
#include "hw/SystemFunctions.h"
#include "platform/route/DriverRoute.h"
#include "platform/trust/FileLock.h"
#include "platform/trust/RuntimeDirectory.h"
#include "protocol/ErrorCodes.h"
#include "platform/SystemServices.h"
#include "platform/trust/FileLock.h"
#include "platform/trust/RuntimeDirectory.h"
#include "platform/trust/TrustRefusals.h"
#include "protocol/ErrorCodes.h"

namespace {

// Separates the removal of a failed service from its re-creation.
constexpr unsigned kRemovalPauseMs = 500;
// Longer than any one start takes, short enough that a stuck one ends the wait.
constexpr std::chrono::seconds kStartLockWait{60};

ScHandle TryCreateService(ScHandle manager, const std::string& name, const std::string& path) {
    ServiceConfig config;
    config.name = name;
    config.displayName = name;
    config.type = SERVICE_KERNEL_DRIVER;
    config.startType = SERVICE_DEMAND_START;
    config.errorControl = SERVICE_ERROR_NORMAL;
    config.binaryPath = path;
    return ServiceManager::Current().CreateService(manager, config, SERVICE_ALL_ACCESS);
}

}  // namespace

int LoadDriver() {
    int code = ClassifyWindowsVersion();
    std::string directory = ProgramDirectory();
    std::string path32 = directory + kDriverFile32;
    std::string path64 = directory + kDriverFile64;
    if (IsWin9xFamily(code)) return 1;
    // The machine's own service needs nothing of this user's: no folder,
    // no lock, wherever they would be.
    if (driver_route::UsesSystemDriver()) return InstallDriverService(kDriverName, path32);
    // Nothing is read, run or created in a folder someone else could change.
    std::string problem = RuntimeDirectoryProblem();
    if (!problem.empty()) {
        NoteRefusal(problem);
        return 0;
    }
    // Programs started at once take turns: otherwise one's clean-up after a
    // failed start stops the driver another has just started.
    FileLock starting;
    std::string lockPath = RuntimeDirectory() + "/" + kDriverName + ".start";
    if (starting.Acquire(lockPath, FileLock::Mode::Exclusive, kStartLockWait) !=
        FileLock::Result::Locked) {
        return 0;
    }
    if (InstallDriverService(kDriverName, path32)) return 1;
    RemoveDriverService(kDriverName);
    SystemServices::Current().Sleep(kRemovalPauseMs);
    if (InstallDriverService(kDriverName, path64)) return 1;
    RemoveDriverService(kDriverName);
    return 0;
}

std::string LoadDriverFailedMessage() {
    std::string refusals = NotedRefusals();
    return std::string(kLoadDriverFailedText) + (refusals.empty() ? "" : "\n" + refusals);
}

int InstallDriverService(const std::string& name, const std::string& path) {
    ServiceManager& services = ServiceManager::Current();
    ScHandle manager = services.OpenSCManager(SC_MANAGER_ALL_ACCESS);
    if (!manager) return 0;
    ScHandle service = TryCreateService(manager, name, path);
    if (service) {
        services.CloseServiceHandle(service);
    } else if (services.GetLastError() != ERROR_SERVICE_EXISTS) {
        // An existing service is used unchanged, whatever its binary path.
        RemoveDriverService(name);
        if (!CreateDriverService(manager, name, path)) {
            services.CloseServiceHandle(manager);
            return 0;
        }
    }
    int started = StartDriverService(manager, name);
    services.CloseServiceHandle(manager);
    return started;
}

int CreateDriverService(ScHandle manager, const std::string& name, const std::string& path) {
    ServiceManager& services = ServiceManager::Current();
    ScHandle service = TryCreateService(manager, name, path);
    if (!service) return services.GetLastError() == ERROR_SERVICE_EXISTS ? 1 : 0;
    services.CloseServiceHandle(service);
    return 1;
}

int StartDriverService(ScHandle manager, const std::string& name) {
    ServiceManager& services = ServiceManager::Current();
    ScHandle service = services.OpenService(manager, name, SERVICE_ALL_ACCESS);
    if (!service) return 0;
    int started =
        services.StartService(service) || services.GetLastError() == ERROR_SERVICE_ALREADY_RUNNING;
    services.CloseServiceHandle(service);
    return started;
}

int RemoveDriverService(const std::string& name) {
    ServiceManager& services = ServiceManager::Current();
    ScHandle manager = services.OpenSCManager(SC_MANAGER_ALL_ACCESS);
    if (!manager) return 1;
    if (ScHandle service = services.OpenService(manager, name, SERVICE_ALL_ACCESS)) {
        services.ControlService(service, SERVICE_CONTROL_STOP);
        services.CloseServiceHandle(service);
    }
    if (ScHandle service = services.OpenService(manager, name, SERVICE_ALL_ACCESS)) {
        services.DeleteService(service);
        services.CloseServiceHandle(service);
    }
    services.CloseServiceHandle(manager);
    return 1;
}
