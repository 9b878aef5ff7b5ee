// SPDX-License-Identifier: MIT
#include "platform/trust/OutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace output_file {

namespace {

// O_NONBLOCK: a FIFO without a reader must not hang the open.
constexpr int kFlags = O_WRONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK;

int CloseFailed(int fd) {
    int error = errno;
    close(fd);
    errno = error;
    return -1;
}

int Refuse(int fd, const std::string& why, std::string* problem) {
    if (fd >= 0) close(fd);
    *problem = why;
    errno = EACCES;
    return -1;
}

// An existing file, opened without O_CREAT so that a file of another user's
// in a sticky folder reaches the checks rather than the kernel's refusal.
int OpenExisting(int fd, Kind kind, std::string* problem) {
    struct stat info {};
    if (fstat(fd, &info) != 0) return CloseFailed(fd);
    if (info.st_uid != geteuid() && info.st_uid != 0) {
        return Refuse(fd, "it belongs to user " + std::to_string(info.st_uid), problem);
    }
    if (S_ISREG(info.st_mode) && info.st_nlink > 1) {
        return Refuse(fd, "it has " + std::to_string(info.st_nlink) + " names (hard links)",
                      problem);
    }
    if (!S_ISREG(info.st_mode)) return fd;  // a FIFO, or a device such as /dev/null
    // What a dump held before may have been open to others: now it is not.
    if (kind == Kind::MemoryDump && fchmod(fd, 0600) != 0) return CloseFailed(fd);
    return ftruncate(fd, 0) == 0 ? fd : CloseFailed(fd);
}

int Blocking(int fd) {
    int flags = fcntl(fd, F_GETFL);
    if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return fd;
}

}  // namespace

int Open(const std::string& path, Kind kind, std::string* problem) {
    problem->clear();
    const mode_t mode = kind == Kind::MemoryDump ? 0600 : 0666;
    // Made by another between the two opens: looked at again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        int fd = open(path.c_str(), kFlags);
        if (fd >= 0) {
            fd = OpenExisting(fd, kind, problem);
            return fd < 0 ? fd : Blocking(fd);
        }
        if (errno == ELOOP) return Refuse(-1, "it is a symbolic link", problem);
        if (errno != ENOENT) return -1;
        fd = open(path.c_str(), kFlags | O_CREAT | O_EXCL, mode);
        if (fd >= 0) return Blocking(fd);
        if (errno != EEXIST) return -1;
    }
    return -1;
}

std::FILE* OpenStream(const std::string& path, Kind kind, const char* mode, std::string* problem) {
    int fd = Open(path, kind, problem);
    if (fd < 0) return nullptr;
    std::FILE* file = fdopen(fd, mode);
    if (!file) close(fd);
    return file;
}

}  // namespace output_file
