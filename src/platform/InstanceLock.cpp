// SPDX-License-Identifier: MIT
#include "platform/InstanceLock.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/route/UnixSocket.h"
#include "platform/trust/RuntimeDirectory.h"
#include "platform/trust/TrustRefusals.h"

namespace {

constexpr char kActivateLine[] = "activate\n";
constexpr size_t kActivateLength = sizeof(kActivateLine) - 1;

std::string ActivationSocket(const std::string& name) {
    return RuntimeDirectory() + "/" + name + ".activate";
}

}  // namespace

InstanceLock::~InstanceLock() {
    Release();
}

InstanceLock::Result InstanceLock::Create(const std::string& name) {
    Release();
    std::string problem = RuntimeDirectoryProblem();
    if (!problem.empty()) {
        NoteRefusal(problem);
        return Result::Failed;
    }
    switch (lock_.Acquire(RuntimeDirectory() + "/" + name + ".lock", FileLock::Mode::Exclusive)) {
        case FileLock::Result::Locked:
            break;
        case FileLock::Result::Busy:
            return Result::AlreadyExists;
        default:
            return Result::Failed;
    }
    // Holding the lock makes any socket left there stale. Without a socket
    // the instance still runs; a second one just cannot bring it forward.
    socketPath_ = ActivationSocket(name);
    unlink(socketPath_.c_str());
    listenFd_ = unix_socket::Listen(socketPath_);
    return Result::Created;
}

bool InstanceLock::AcceptActivation() {
    if (listenFd_ < 0) return false;
    int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) return false;
    unix_socket::SetTimeouts(fd, 1);
    char line[kActivateLength] = {};
    bool activate = unix_socket::ReceiveAll(fd, line, sizeof(line)) &&
                    std::memcmp(line, kActivateLine, kActivateLength) == 0;
    close(fd);
    return activate;
}

void InstanceLock::Release() {
    if (listenFd_ >= 0) {
        close(listenFd_);
        unlink(socketPath_.c_str());
        listenFd_ = -1;
    }
    socketPath_.clear();
    lock_.Release();
}

bool InstanceLock::RequestActivation(const std::string& name) {
    int fd = unix_socket::Connect(ActivationSocket(name));
    if (fd < 0) return false;
    unix_socket::SetTimeouts(fd, 1);
    bool sent = unix_socket::SendAll(fd, kActivateLine, kActivateLength);
    close(fd);
    return sent;
}
