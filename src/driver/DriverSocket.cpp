// SPDX-License-Identifier: MIT
#include "driver/DriverSocket.h"

#include <sys/fsuid.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/route/UnixSocket.h"

namespace {

// The socket file takes its mode from the socket (fchmod before bind) less
// the umask, and its group from the file-system group at bind time.
int BindWithAccess(const sockaddr_un& address, const SocketAccess& access) {
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return -1;
    mode_t previousMask = umask(~access.mode & 0777);
    gid_t previousGroup = getegid();
    if (access.group) setfsgid(*access.group);
    bool bound = fchmod(fd, access.mode) == 0 &&
                 bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
    int saved = errno;
    if (access.group) setfsgid(previousGroup);
    umask(previousMask);
    if (!bound || listen(fd, 64) != 0) {
        if (bound) saved = errno;
        close(fd);
        errno = saved;
        return -1;
    }
    return fd;
}

}  // namespace

DriverSocket::~DriverSocket() {
    if (fd_ >= 0) close(fd_);
}

bool DriverSocket::Bind(const std::string& path, const SocketAccess& access, std::string* error) {
    path_ = path;
    sockaddr_un address;
    if (!unix_socket::FillAddress(path, &address)) {
        *error = path + ": the path is too long for a socket";
        return false;
    }
    struct stat status {};
    if (lstat(path.c_str(), &status) == 0) {
        if (!S_ISSOCK(status.st_mode)) {
            *error = path + ": exists and is not a socket";
            return false;
        }
        unlink(path.c_str());
    }
    fd_ = BindWithAccess(address, access);
    if (fd_ < 0) {
        *error = path + ": cannot listen: " + std::strerror(errno);
        return false;
    }
    // What the file really got: a group the kernel refused is not admitted.
    if (lstat(path.c_str(), &status) != 0 || (status.st_mode & 0777) != (access.mode & 0777) ||
        (access.group && status.st_gid != *access.group)) {
        *error = path + ": the socket did not get mode and group as asked";
        unlink(path.c_str());
        return false;
    }
    bound_ = true;
    if (access.mode & S_IWGRP) admittedGroup_ = status.st_gid;
    return true;
}

void DriverSocket::Adopt(int fd, std::optional<gid_t> group) {
    fd_ = fd;
    admittedGroup_ = group;
}

void DriverSocket::Unlink() {
    if (bound_) unlink(path_.c_str());
    bound_ = false;
}

void DriverSocket::StopListening() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
}
