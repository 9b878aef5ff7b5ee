// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>

// Opaque handle to the manager or to one service; 0 is no handle.
using ScHandle = intptr_t;

inline constexpr uint32_t SC_MANAGER_ALL_ACCESS = 0xF003F;
inline constexpr uint32_t SERVICE_ALL_ACCESS = 0xF01FF;
inline constexpr uint32_t SERVICE_KERNEL_DRIVER = 1;
inline constexpr uint32_t SERVICE_DEMAND_START = 3;
inline constexpr uint32_t SERVICE_ERROR_NORMAL = 1;
inline constexpr uint32_t SERVICE_CONTROL_STOP = 1;

struct ServiceConfig {
    std::string name;
    std::string displayName;
    uint32_t type = 0;
    uint32_t startType = 0;
    uint32_t errorControl = 0;
    std::string binaryPath;
};

// The service manager: service records kept in the runtime directory; start
// spawns the binary path as a daemon and waits until its socket answers.
// Where the machine's system driver admits this process on real hardware,
// its service "Borealix" exists and runs, and is not this user's to change;
// elsewhere on real hardware only root may create or start a "Borealix" of
// its own (the refusal, noted, says what to do instead).
// Failures set the platform's error code (ERROR_SERVICE_EXISTS, ...).
class ServiceManager {
  public:
    virtual ~ServiceManager() = default;

    virtual ScHandle OpenSCManager(uint32_t access) = 0;
    virtual ScHandle CreateService(ScHandle manager, const ServiceConfig& config,
                                   uint32_t access) = 0;
    virtual ScHandle OpenService(ScHandle manager, const std::string& name, uint32_t access) = 0;
    virtual bool StartService(ScHandle service) = 0;
    virtual bool ControlService(ScHandle service, uint32_t control) = 0;
    virtual bool DeleteService(ScHandle service) = 0;
    virtual bool CloseServiceHandle(ScHandle handle) = 0;
    virtual uint32_t GetLastError() = 0;

    static ServiceManager& Native();
    static ServiceManager& Current();
};
