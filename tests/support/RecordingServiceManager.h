// SPDX-License-Identifier: MIT
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/ServiceManager.h"

// A service manager held in memory that records every call as one line
// ("CreateService Borealix /opt/x/BOREALIX.SYS", "StartService Borealix",
// ...). A start succeeds only for the binary paths in startablePaths, and
// fails with ERROR_FILE_NOT_FOUND otherwise.
// Install with ScopedOverride<ServiceManager>.
class RecordingServiceManager : public ServiceManager {
public:
    struct Service {
        ServiceConfig config;
        bool running = false;
    };

    std::map<std::string, Service> services;
    std::set<std::string> startablePaths;
    // When non-zero, every CreateService fails with this error.
    uint32_t createFailure = 0;
    std::vector<std::string> calls;

    // Handles handed out and not closed yet.
    size_t OpenHandles() const { return handles_.size(); }

    ScHandle OpenSCManager(uint32_t access) override;
    ScHandle CreateService(ScHandle manager, const ServiceConfig& config,
                           uint32_t access) override;
    ScHandle OpenService(ScHandle manager, const std::string& name, uint32_t access) override;
    bool StartService(ScHandle service) override;
    bool ControlService(ScHandle service, uint32_t control) override;
    bool DeleteService(ScHandle service) override;
    bool CloseServiceHandle(ScHandle handle) override;
    uint32_t GetLastError() override { return lastError_; }

private:
    ScHandle NewHandle(const std::string& service);
    bool Fail(uint32_t error);
    std::string NameOf(ScHandle handle) const;
    // The service behind a handle, or null (error set) when the handle is not
    // an open service handle or the service was deleted.
    Service* ServiceOf(ScHandle handle);

    std::map<ScHandle, std::string> handles_;  // "" for a manager handle
    ScHandle nextHandle_ = 100;
    uint32_t lastError_ = 0;
};
