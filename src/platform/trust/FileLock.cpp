// SPDX-License-Identifier: MIT
#include "platform/trust/FileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

#include "platform/trust/RuntimeDirectory.h"
#include "platform/trust/TrustRefusals.h"
#include "platform/trust/TrustedPath.h"

FileLock::~FileLock() {
    Release();
}

FileLock::Result FileLock::Acquire(const std::string& path, Mode mode,
                                   std::chrono::milliseconds wait) {
    Release();
    std::string problem;
    int fd = trusted_path::OpenFile(path, O_RDWR | O_CREAT, &problem);
    if (fd < 0 && !problem.empty()) {
        NoteRefusal(RefusalMessage("lock file", path, problem));
        return Result::Refused;
    }
    if (fd < 0) return Result::Failed;
    const int operation = (mode == Mode::Shared ? LOCK_SH : LOCK_EX) | LOCK_NB;
    const auto deadline = std::chrono::steady_clock::now() + wait;
    // Polled rather than blocking, so the wait has an end.
    while (flock(fd, operation) != 0) {
        if (errno == EINTR) continue;
        if (errno != EWOULDBLOCK || std::chrono::steady_clock::now() >= deadline) {
            int error = errno;
            close(fd);
            errno = error;
            return error == EWOULDBLOCK ? Result::Busy : Result::Failed;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    fd_ = fd;
    return Result::Locked;
}

void FileLock::Release() {
    if (fd_ < 0) return;
    close(fd_);
    fd_ = -1;
}
