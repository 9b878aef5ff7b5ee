#include "platform/InstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/RuntimeDirectory.h"
#include "platform/UnixSocket.h"

namespace {

constexpr char kActivateLine[] = "activate\n";
constexpr size_t kActivateLength = sizeof(kActivateLine) - 1;

std::string ActivationSocket(const std::string& name) {
    return RuntimeDirectory() + "/" + name + ".activate";
}

}  // namespace

InstanceLock::~InstanceLock() { Release(); }

InstanceLock::Result InstanceLock::Create(const std::string& name) {
    Release();
    std::string lockPath = RuntimeDirectory() + "/" + name + ".lock";
    int fd = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return Result::Failed;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        bool held = errno == EWOULDBLOCK;
        close(fd);
        return held ? Result::AlreadyExists : Result::Failed;
    }
    lockFd_ = fd;
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
    if (lockFd_ >= 0) {
        flock(lockFd_, LOCK_UN);
        close(lockFd_);
        lockFd_ = -1;
    }
}

bool InstanceLock::RequestActivation(const std::string& name) {
    int fd = unix_socket::Connect(ActivationSocket(name));
    if (fd < 0) return false;
    unix_socket::SetTimeouts(fd, 1);
    bool sent = unix_socket::SendAll(fd, kActivateLine, kActivateLength);
    close(fd);
    return sent;
}
