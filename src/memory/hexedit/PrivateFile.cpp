// SPDX-License-Identifier: MIT
#include "memory/hexedit/PrivateFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

int CreatePrivateFile(const std::string& path, int access) {
    const int fd = ::open(path.c_str(), access | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    // The mode given to open applies only to a file it creates.
    if (fd < 0 || fchmod(fd, 0600) == 0) return fd;
    const int saved = errno;
    ::close(fd);
    errno = saved;
    return -1;
}
