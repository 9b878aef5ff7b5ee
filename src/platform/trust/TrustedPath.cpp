// SPDX-License-Identifier: MIT
#include "platform/trust/TrustedPath.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace trusted_path {

namespace {

std::string ModeText(mode_t mode) {
    char text[8];
    std::snprintf(text, sizeof(text), "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

std::string OwnerProblem(uid_t actual, uid_t owner = geteuid()) {
    std::string expected = owner == geteuid() ? "this user (" + std::to_string(owner) + ")"
                           : owner == 0       ? std::string("root")
                                              : "user " + std::to_string(owner);
    return "it belongs to user " + std::to_string(actual) + ", not to " + expected;
}

bool OthersMayWrite(mode_t mode) {
    return (mode & (S_IWGRP | S_IWOTH)) != 0;
}

std::string WritableProblem(mode_t mode) {
    return "it is writable by its group or by others (mode " + ModeText(mode) + ")";
}

// A folder above ours: whoever may change it may swap what lies below.
std::string AncestorProblem(const std::string& path, uid_t owner) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        return "the folder " + path + " above it cannot be examined: " + std::strerror(errno);
    }
    if (info.st_uid != 0 && info.st_uid != owner) {
        return "the folder " + path + " above it belongs to user " + std::to_string(info.st_uid);
    }
    if (OthersMayWrite(info.st_mode) && !(info.st_mode & S_ISVTX)) {
        return "the folder " + path + " above it is writable by others (mode " +
               ModeText(info.st_mode) + ")";
    }
    struct stat link {};
    // A link may only be changed by whoever may write its folder, checked
    // next; but a link placed by another user points wherever they like.
    if (lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode) && link.st_uid != 0 &&
        link.st_uid != owner) {
        return "the folder " + path + " above it is a link of user " + std::to_string(link.st_uid);
    }
    return {};
}

std::string AbsolutePath(const std::string& path) {
    if (!path.empty() && path[0] == '/') return path;
    char current[4096];
    if (!getcwd(current, sizeof(current))) return path;
    return std::string(current) + "/" + path;
}

}  // namespace

std::string DirectoryProblem(const std::string& given) {
    return DirectoryProblemOf(given, geteuid());
}

std::string DirectoryProblemOf(const std::string& given, uid_t owner) {
    const std::string path = AbsolutePath(given);
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0)
        return std::string("it cannot be examined: ") + std::strerror(errno);
    if (S_ISLNK(info.st_mode)) return "it is a symbolic link";
    if (!S_ISDIR(info.st_mode)) return "it is not a directory";
    if (info.st_uid != owner) return OwnerProblem(info.st_uid, owner);
    if (OthersMayWrite(info.st_mode)) return WritableProblem(info.st_mode);
    for (size_t slash = path.rfind('/'); slash != std::string::npos && slash > 0;
         slash = path.rfind('/', slash - 1)) {
        std::string problem = AncestorProblem(path.substr(0, slash), owner);
        if (!problem.empty()) return problem;
    }
    return {};
}

std::string FileProblem(int fd) {
    struct stat info {};
    if (fstat(fd, &info) != 0) return std::string("it cannot be examined: ") + std::strerror(errno);
    if (!S_ISREG(info.st_mode)) return "it is not a regular file";
    if (info.st_uid != geteuid()) return OwnerProblem(info.st_uid);
    if (OthersMayWrite(info.st_mode)) return WritableProblem(info.st_mode);
    return {};
}

int OpenFile(const std::string& path, int flags, std::string* problem) {
    // O_NONBLOCK: a FIFO planted at the name must not hang the open.
    int fd = open(path.c_str(), flags | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600);
    problem->clear();
    if (fd < 0) {
        if (errno == ELOOP) *problem = "it is a symbolic link";
        return -1;
    }
    *problem = FileProblem(fd);
    if (!problem->empty()) {
        close(fd);
        errno = EACCES;
        return -1;
    }
    int blocking = fcntl(fd, F_GETFL);
    if (blocking >= 0) fcntl(fd, F_SETFL, blocking & ~O_NONBLOCK);
    return fd;
}

}  // namespace trusted_path
