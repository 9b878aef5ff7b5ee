#include "driver/DriverSocket.h"

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/UnixSocket.h"

DriverSocket::~DriverSocket() {
    if (fd_ >= 0) close(fd_);
}

bool DriverSocket::Bind(const std::string& path, std::string* error) {
    path_ = path;
    if (unix_socket::Answers(path)) {
        *error = path + ": a driver already listens there";
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
    // Created private, opened up only as far as SetPermissions says.
    mode_t previous = umask(0177);
    fd_ = unix_socket::Listen(path);
    int saved = errno;
    umask(previous);
    if (fd_ < 0) {
        *error = path + ": cannot listen: " + std::strerror(saved);
        return false;
    }
    bound_ = true;
    return SetPermissions(error);
}

bool DriverSocket::SetPermissions(std::string* error) {
    // The umask already made it 0600. Only widen it: a chmod after clients
    // can connect must never take back what someone granted meanwhile.
    if (geteuid() != 0) return true;
    group* entry = getgrnam("borealix");
    if (!entry || chown(path_.c_str(), 0, entry->gr_gid) != 0) return true;
    if (chmod(path_.c_str(), 0660) != 0) {
        *error = path_ + ": cannot set permissions: " + std::strerror(errno);
        Unlink();
        return false;
    }
    return true;
}

void DriverSocket::Unlink() {
    if (bound_) unlink(path_.c_str());
    bound_ = false;
}
