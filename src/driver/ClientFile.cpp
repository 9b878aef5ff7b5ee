// SPDX-License-Identifier: MIT
#include "driver/ClientFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "protocol/ErrorCodes.h"

uint32_t ClientFile::Open(int fd, uid_t peer, uint64_t offset, uint64_t length) {
    fd_ = -1;
    struct stat info {};
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fstat(fd, &info) != 0) return ERROR_ACCESS_DENIED;
    const int access = flags & O_ACCMODE;
    // O_PATH opens nothing for writing, whatever its access bits say.
    if (!S_ISREG(info.st_mode) || info.st_uid != peer || (flags & (O_APPEND | O_PATH)) ||
        (access != O_WRONLY && access != O_RDWR))
        return ERROR_ACCESS_DENIED;
    const uint64_t size = static_cast<uint64_t>(info.st_size);
    if (offset > size) return ERROR_ACCESS_DENIED;
    if (length > size - offset) return ERROR_INVALID_PARAMETER;
    fd_ = fd;
    at_ = offset;
    end_ = size;
    return ERROR_SUCCESS;
}

uint32_t ClientFile::Write(const uint8_t* bytes, uint64_t count) {
    if (fd_ < 0) return ERROR_ACCESS_DENIED;
    // Never past the end the file had when the request came: the driver
    // grows no file.
    if (count > end_ - at_) return ERROR_INVALID_PARAMETER;
    while (count > 0) {
        const ssize_t written = pwrite(fd_, bytes, count, static_cast<off_t>(at_));
        if (written < 0 && errno == EINTR) continue;
        if (written == 0) return ERROR_GEN_FAILURE;
        if (written < 0)
            return errno == ENOSPC || errno == EDQUOT || errno == EFBIG ? ERROR_DISK_FULL
                                                                        : ERROR_GEN_FAILURE;
        bytes += written;
        count -= static_cast<uint64_t>(written);
        at_ += static_cast<uint64_t>(written);
    }
    return ERROR_SUCCESS;
}
