// SPDX-License-Identifier: MIT
#include "memory/hexedit/PositionedIo.h"

#include <unistd.h>

#include <cerrno>

namespace PositionedIo {

uint64_t ReadAt(int fd, uint8_t* buffer, uint64_t count, uint64_t offset) {
    uint64_t done = 0;
    while (done < count) {
        ssize_t got = pread(fd, buffer + done, count - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += static_cast<uint64_t>(got);
    }
    return done;
}

bool WriteAt(int fd, const uint8_t* buffer, uint64_t count, uint64_t offset) {
    uint64_t done = 0;
    while (done < count) {
        ssize_t put = pwrite(fd, buffer + done, count - done, static_cast<off_t>(offset + done));
        if (put < 0 && errno == EINTR) continue;
        // A full disk may take nothing without an error: say so.
        if (put == 0) errno = ENOSPC;
        if (put <= 0) return false;
        done += static_cast<uint64_t>(put);
    }
    return true;
}

}  // namespace PositionedIo
