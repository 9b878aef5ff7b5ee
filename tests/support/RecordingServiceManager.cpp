// SPDX-License-Identifier: MIT
#include "support/RecordingServiceManager.h"

#include "protocol/ErrorCodes.h"

ScHandle RecordingServiceManager::OpenSCManager(uint32_t) {
    calls.push_back("OpenSCManager");
    return NewHandle("");
}

ScHandle RecordingServiceManager::CreateService(ScHandle manager, const ServiceConfig& config,
                                                uint32_t) {
    calls.push_back("CreateService " + config.name + " " + config.binaryPath);
    auto it = handles_.find(manager);
    if (it == handles_.end() || !it->second.empty()) return Fail(ERROR_INVALID_HANDLE), 0;
    if (createFailure) return Fail(createFailure), 0;
    if (services.count(config.name)) return Fail(ERROR_SERVICE_EXISTS), 0;
    services[config.name].config = config;
    return NewHandle(config.name);
}

ScHandle RecordingServiceManager::OpenService(ScHandle manager, const std::string& name,
                                              uint32_t) {
    calls.push_back("OpenService " + name);
    auto it = handles_.find(manager);
    if (it == handles_.end() || !it->second.empty()) return Fail(ERROR_INVALID_HANDLE), 0;
    if (!services.count(name)) return Fail(ERROR_SERVICE_DOES_NOT_EXIST), 0;
    return NewHandle(name);
}

bool RecordingServiceManager::StartService(ScHandle handle) {
    calls.push_back("StartService " + NameOf(handle));
    Service* service = ServiceOf(handle);
    if (!service) return false;
    if (service->running) return Fail(ERROR_SERVICE_ALREADY_RUNNING);
    if (!startablePaths.count(service->config.binaryPath)) return Fail(ERROR_FILE_NOT_FOUND);
    service->running = true;
    return true;
}

bool RecordingServiceManager::ControlService(ScHandle handle, uint32_t control) {
    calls.push_back("ControlService " + NameOf(handle) + " " + std::to_string(control));
    Service* service = ServiceOf(handle);
    if (!service) return false;
    if (!service->running) return Fail(ERROR_SERVICE_NOT_ACTIVE);
    service->running = false;
    return true;
}

bool RecordingServiceManager::DeleteService(ScHandle handle) {
    calls.push_back("DeleteService " + NameOf(handle));
    if (!ServiceOf(handle)) return false;
    services.erase(NameOf(handle));
    return true;
}

bool RecordingServiceManager::CloseServiceHandle(ScHandle handle) {
    calls.push_back("CloseServiceHandle");
    return handles_.erase(handle) ? true : Fail(ERROR_INVALID_HANDLE);
}

std::string RecordingServiceManager::NameOf(ScHandle handle) const {
    auto it = handles_.find(handle);
    return it == handles_.end() ? "?" : it->second;
}

ScHandle RecordingServiceManager::NewHandle(const std::string& service) {
    handles_[nextHandle_] = service;
    return nextHandle_++;
}

bool RecordingServiceManager::Fail(uint32_t error) {
    lastError_ = error;
    return false;
}

RecordingServiceManager::Service* RecordingServiceManager::ServiceOf(ScHandle handle) {
    auto it = handles_.find(handle);
    if (it == handles_.end() || it->second.empty()) return Fail(ERROR_INVALID_HANDLE), nullptr;
    auto service = services.find(it->second);
    if (service == services.end()) return Fail(ERROR_SERVICE_DOES_NOT_EXIST), nullptr;
    return &service->second;
}
