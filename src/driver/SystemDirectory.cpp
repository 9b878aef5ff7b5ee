// SPDX-License-Identifier: MIT
#include "driver/SystemDirectory.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "platform/trust/DirectoryCreation.h"
#include "platform/trust/TrustedPath.h"

std::string PrepareSystemDirectory(const std::string& directory) {
    struct stat info {};
    if (lstat(directory.c_str(), &info) != 0) {
        if (errno != ENOENT) return std::string("it cannot be examined: ") + std::strerror(errno);
        // Readable by all, so every member of the group can reach the socket.
        if (!CreateDirectories(directory, 0755))
            return std::string("it cannot be created: ") + std::strerror(errno);
    }
    return trusted_path::DirectoryProblemOf(directory, 0);
}
