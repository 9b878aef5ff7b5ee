// SPDX-License-Identifier: MIT
#include "driver/Detach.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

bool Detach(std::string* error) {
    pid_t child = fork();
    if (child < 0) {
        *error = std::string("cannot fork: ") + std::strerror(errno);
        return false;
    }
    if (child > 0) _exit(0);
    setsid();
    if (chdir("/") != 0) {
        // Nothing relies on the directory any more; staying is harmless.
    }
    int null = open("/dev/null", O_RDWR);
    if (null >= 0) {
        dup2(null, STDIN_FILENO);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        if (null > STDERR_FILENO) close(null);
    }
    return true;
}
