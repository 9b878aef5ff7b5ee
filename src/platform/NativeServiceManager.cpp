// SPDX-License-Identifier: MIT
#include <unistd.h>

#include <chrono>
#include <map>
#include <memory>
#include <mutex>

#include "platform/DaemonLauncher.h"
#include "platform/Polling.h"
#include "platform/Seam.h"
#include "platform/ServiceManager.h"
#include "platform/ServiceRecordStore.h"
#include "platform/route/BusyRetry.h"
#include "platform/route/DriverRoute.h"
#include "platform/route/UnixSocket.h"
#include "platform/trust/FileLock.h"
#include "platform/trust/RuntimeDirectory.h"
#include "platform/trust/SystemDriver.h"
#include "platform/trust/TrustRefusals.h"
#include "protocol/DeviceWire.h"
#include "protocol/ErrorCodes.h"

namespace {

using std::chrono::milliseconds;

constexpr unsigned kStartTimeoutMs = 10000;
constexpr unsigned kStopTimeoutMs = 5000;
// A driver loads its machine before it detaches; a large file region takes
// a while, a hung one must not take for ever.
constexpr milliseconds kLaunchTimeout{30000};
// How long a driver that is just stopping may keep the next one waiting.
constexpr milliseconds kClientLockTimeout{10000};
// A driver that stopped on its own between our look and its successor's
// start makes that one report "already running": tried again this often.
constexpr int kLaunchAttempts = 3;

thread_local uint32_t lastError = ERROR_SUCCESS;

// The machine's own service, which the system driver runs: it exists and
// runs, and it is not this user's to stop or delete.
bool IsSystemService(const std::string& name) {
    return name == kDriverName && driver_route::UsesSystemDriver();
}

// A driver of this user's own on this machine's hardware, which only root
// may run; the refusal says what to do instead.
bool IsRefusedHardwareService(const std::string& name) {
    if (name != kDriverName) return false;
    std::string problem = driver_route::OwnDriverProblem();
    if (!problem.empty()) NoteRefusal(problem);
    return !problem.empty();
}

std::string SocketOf(const std::string& name) {
    return RuntimeDirectory() + "/" + name;
}

bool SendStopFrame(const std::string& socketPath) {
    BusyRetry busy(std::chrono::steady_clock::now() + milliseconds(kStopTimeoutMs));
    for (;;) {
        int fd = unix_socket::Connect(socketPath);
        if (fd < 0) return false;
        unix_socket::SetTimeouts(fd, 2);
        wire::RequestHeader stop{wire::kRequestMagic, wire::kStopControlCode, 0, 0, 0};
        bool sent = unix_socket::SendAll(fd, &stop, sizeof(stop));
        // The driver may answer or just close; either ends the wait, unless
        // it turned the connection away.
        wire::ReplyHeader reply{};
        bool turnedAway = unix_socket::ReceiveAll(fd, &reply, sizeof(reply)) &&
                          reply.magic == wire::kReplyMagic && reply.status == ERROR_BUSY;
        close(fd);
        if (!turnedAway || !busy.Pause()) return sent;
    }
}

class NativeServiceManager : public ServiceManager {
  public:
    // The records are the manager's database: refused where they cannot be
    // trusted, so nothing a planted record names is ever run. Where the
    // system driver serves, nothing of this user's is opened or made.
    ScHandle OpenSCManager(uint32_t) override {
        if (!driver_route::UsesSystemDriver()) {
            uint32_t error = service_records::OpenDatabase();
            if (error != ERROR_SUCCESS) return Fail(error), 0;
        }
        return NewHandle(Entry{true, {}});
    }

    ScHandle CreateService(ScHandle manager, const ServiceConfig& config, uint32_t) override {
        if (!IsManager(manager)) return Fail(ERROR_INVALID_HANDLE), 0;
        if (IsSystemService(config.name)) return Fail(ERROR_SERVICE_EXISTS), 0;
        if (IsRefusedHardwareService(config.name)) return Fail(ERROR_ACCESS_DENIED), 0;
        uint32_t error = service_records::Create(config);
        if (error != ERROR_SUCCESS) return Fail(error), 0;
        return NewHandle(Entry{false, config.name});
    }

    ScHandle OpenService(ScHandle manager, const std::string& name, uint32_t) override {
        if (!IsManager(manager)) return Fail(ERROR_INVALID_HANDLE), 0;
        if (IsSystemService(name)) return NewHandle(Entry{false, name});
        ServiceConfig config;
        uint32_t error = service_records::Read(name, &config);
        if (error != ERROR_SUCCESS) return Fail(error), 0;
        return NewHandle(Entry{false, name});
    }

    bool StartService(ScHandle service) override {
        std::string name;
        if (!ServiceName(service, &name)) return Fail(ERROR_INVALID_HANDLE);
        if (IsSystemService(name)) return Fail(ERROR_SERVICE_ALREADY_RUNNING);
        if (IsRefusedHardwareService(name)) return Fail(ERROR_ACCESS_DENIED);
        ServiceConfig config;
        uint32_t error = service_records::Read(name, &config);
        if (error != ERROR_SUCCESS) return Fail(error);
        // From here on this process counts as a client of the service, so a
        // driver that stops when idle cannot stop under it.
        if (!HoldAsClient(name)) return Fail(ERROR_ACCESS_DENIED);
        std::string socketPath = SocketOf(name);
        auto answers = [&] { return unix_socket::Answers(socketPath); };
        for (int attempt = 0; attempt < kLaunchAttempts; ++attempt) {
            if (answers()) return Fail(ERROR_SERVICE_ALREADY_RUNNING);
            // The driver serves where this process looks for it, even in a
            // private folder that it would not find by itself.
            error = LaunchDaemon(config.binaryPath, kLaunchTimeout,
                                 {"BOREALIX_RUNTIME_DIR=" + RuntimeDirectory()});
            if (error == ERROR_SUCCESS) {
                return WaitUntil(answers, kStartTimeoutMs) ? Succeed()
                                                           : Fail(ERROR_SERVICE_REQUEST_TIMEOUT);
            }
            if (error != ERROR_SERVICE_ALREADY_RUNNING) return Fail(error);
            if (WaitUntil(answers, kStartTimeoutMs / kLaunchAttempts)) {
                return Fail(ERROR_SERVICE_ALREADY_RUNNING);
            }
        }
        return Fail(ERROR_SERVICE_REQUEST_TIMEOUT);
    }

    bool ControlService(ScHandle service, uint32_t control) override {
        std::string name;
        if (!ServiceName(service, &name)) return Fail(ERROR_INVALID_HANDLE);
        if (control != SERVICE_CONTROL_STOP) return Fail(ERROR_INVALID_SERVICE_CONTROL);
        if (IsSystemService(name)) return Fail(ERROR_ACCESS_DENIED);
        std::string socketPath = SocketOf(name);
        if (!SendStopFrame(socketPath)) return Fail(ERROR_SERVICE_NOT_ACTIVE);
        if (!WaitUntil([&] { return !unix_socket::Answers(socketPath); }, kStopTimeoutMs)) {
            return Fail(ERROR_SERVICE_REQUEST_TIMEOUT);
        }
        return Succeed();
    }

    bool DeleteService(ScHandle service) override {
        std::string name;
        if (!ServiceName(service, &name)) return Fail(ERROR_INVALID_HANDLE);
        if (IsSystemService(name)) return Fail(ERROR_ACCESS_DENIED);
        uint32_t error = service_records::Remove(name);
        return error == ERROR_SUCCESS ? Succeed() : Fail(error);
    }

    bool CloseServiceHandle(ScHandle handle) override {
        std::lock_guard<std::mutex> guard(mutex_);
        if (handles_.erase(handle) == 0) return Fail(ERROR_INVALID_HANDLE);
        return Succeed();
    }

    uint32_t GetLastError() override { return lastError; }

  private:
    struct Entry {
        bool manager;
        std::string service;
    };

    static bool Fail(uint32_t error) {
        lastError = error;
        return false;
    }
    static bool Succeed() {
        lastError = ERROR_SUCCESS;
        return true;
    }

    ScHandle NewHandle(Entry entry) {
        std::lock_guard<std::mutex> guard(mutex_);
        ScHandle handle = nextHandle_++;
        handles_.emplace(handle, std::move(entry));
        Succeed();
        return handle;
    }

    bool IsManager(ScHandle handle) {
        std::lock_guard<std::mutex> guard(mutex_);
        auto it = handles_.find(handle);
        return it != handles_.end() && it->second.manager;
    }

    bool ServiceName(ScHandle handle, std::string* name) {
        std::lock_guard<std::mutex> guard(mutex_);
        auto it = handles_.find(handle);
        if (it == handles_.end() || it->second.manager) return false;
        *name = it->second.service;
        return true;
    }

    // A shared lock on NAME.clients, kept until the process ends; the driver
    // stops when idle only once it can lock the file exclusively.
    bool HoldAsClient(const std::string& name) {
        std::string path = SocketOf(name) + ".clients";
        std::lock_guard<std::mutex> guard(mutex_);
        std::unique_ptr<FileLock>& lock = clientLocks_[path];
        if (lock && lock->Held()) return true;
        lock = std::make_unique<FileLock>();
        return lock->Acquire(path, FileLock::Mode::Shared, kClientLockTimeout) ==
               FileLock::Result::Locked;
    }

    std::mutex mutex_;
    std::map<ScHandle, Entry> handles_;
    std::map<std::string, std::unique_ptr<FileLock>> clientLocks_;
    ScHandle nextHandle_ = 1;
};

}  // namespace

ServiceManager& ServiceManager::Native() {
    static NativeServiceManager manager;
    return manager;
}

ServiceManager& ServiceManager::Current() {
    return Seam<ServiceManager>::Current();
}
