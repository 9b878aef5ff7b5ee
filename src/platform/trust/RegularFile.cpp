// SPDX-License-Identifier: MIT
#include "platform/trust/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include "platform/trust/BeneathOpen.h"

namespace {

bool Refuse(int fd, const std::string& why, std::string* problem) {
    if (fd >= 0) close(fd);
    *problem = why;
    return false;
}

std::string SizeText(uint64_t bytes) {
    if (bytes % (1u << 20) == 0) return std::to_string(bytes >> 20) + " MiB";
    return std::to_string(bytes) + " bytes";
}

int OpenToRead(const std::string& path, const RegularFileRead& how, std::string* problem) {
    // O_NONBLOCK: opening a FIFO must not wait for a writer.
    int flags = O_RDONLY | O_NONBLOCK | O_CLOEXEC | (how.followLink ? 0 : O_NOFOLLOW);
    int fd = how.beneath ? beneath::Open(how.folder, path, flags)
                         : openat(how.folder, path.c_str(), flags);
    if (fd >= 0) return fd;
    if (errno == ELOOP) {
        *problem = how.beneath ? "it is or passes through a symbolic link" : "a symbolic link";
    } else {
        *problem = errno == EXDEV ? "it lies outside the folder" : std::strerror(errno);
    }
    return -1;
}

// The file opened to be read, once it passed every check; -1 when not.
int OpenChecked(const std::string& path, const RegularFileRead& how, struct stat* info,
                std::string* problem) {
    int fd = OpenToRead(path, how, problem);
    if (fd < 0) return -1;
    if (fstat(fd, info) != 0) return Refuse(fd, std::strerror(errno), problem), -1;
    if (S_ISDIR(info->st_mode)) return Refuse(fd, std::strerror(EISDIR), problem), -1;
    if (!S_ISREG(info->st_mode)) return Refuse(fd, "not a regular file", problem), -1;
    if (static_cast<uint64_t>(info->st_size) > how.limit && !how.truncate)
        return Refuse(fd, "larger than " + SizeText(how.limit), problem), -1;
    return fd;
}

template <class Bytes>
bool ReadInto(const std::string& path, const RegularFileRead& how, Bytes* contents,
              std::string* problem) {
    struct stat info {};
    int fd = OpenChecked(path, how, &info, problem);
    if (fd < 0) return false;
    uint64_t size = static_cast<uint64_t>(info.st_size);
    // What the file holds now: it may have grown or shrunk since fstat.
    uint64_t wanted = std::min(size, how.limit);
    contents->clear();
    try {
        contents->reserve(static_cast<size_t>(wanted));
        uint8_t chunk[65536];
        while (contents->size() < how.limit) {
            size_t room = static_cast<size_t>(
                std::min<uint64_t>(sizeof(chunk), how.limit - contents->size()));
            ssize_t got = read(fd, chunk, room);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) return Refuse(fd, std::strerror(errno), problem);
            if (got == 0) break;
            contents->insert(contents->end(), chunk, chunk + got);
        }
    } catch (const std::bad_alloc&) {
        *contents = {};
        return Refuse(fd, "too large to hold in memory (" + SizeText(wanted) + ")", problem);
    }
    close(fd);
    return true;
}

}  // namespace

bool ReadRegularFile(const std::string& path, const RegularFileRead& how,
                     std::vector<uint8_t>* contents, std::string* problem) {
    return ReadInto(path, how, contents, problem);
}

bool ReadRegularFile(const std::string& path, const RegularFileRead& how, std::string* contents,
                     std::string* problem) {
    return ReadInto(path, how, contents, problem);
}

bool StatRegularFile(const std::string& path, const RegularFileRead& how, struct stat* info,
                     std::string* problem) {
    const int fd = OpenChecked(path, how, info, problem);
    if (fd < 0) return false;
    close(fd);
    return true;
}
