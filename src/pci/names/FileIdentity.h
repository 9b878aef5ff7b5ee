// SPDX-License-Identifier: MIT
#pragma once

#include <sys/stat.h>

#include <ctime>

// Which file, and which version of it: two reads see the same bytes while
// device, inode, size and modification time (to the nanosecond) agree.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};

    static FileIdentity Of(const struct stat& info) {
        return {info.st_dev, info.st_ino, info.st_size, info.st_mtim};
    }
    bool operator==(const FileIdentity& other) const {
        return device == other.device && inode == other.inode && size == other.size &&
               modified.tv_sec == other.modified.tv_sec &&
               modified.tv_nsec == other.modified.tv_nsec;
    }
};
