// SPDX-License-Identifier: MIT
#include "platform/trust/DirectoryCreation.h"

#include <sys/stat.h>

#include <cerrno>
#include <filesystem>

bool CreateDirectories(const std::string& path, mode_t mode) {
    if (path.empty()) {
        errno = ENOENT;
        return false;
    }
    struct stat info {};
    // Nearly always there already (every driver request asks): one look
    // instead of a mkdir for each part of the path.
    if (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return true;
    for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        std::string prefix = path.substr(0, slash);
        if (!prefix.empty()) {
            if (mkdir(prefix.c_str(), mode) == 0) {
                chmod(prefix.c_str(), mode);  // the mode is meant whatever the umask
            } else if (errno != EEXIST) {
                return false;
            }
        }
        if (slash == std::string::npos) break;
    }
    if (stat(path.c_str(), &info) != 0) return false;
    if (!S_ISDIR(info.st_mode)) {
        errno = ENOTDIR;
        return false;
    }
    return true;
}

std::string AbsoluteDirectoryPath(const std::string& path) {
    std::error_code ignored;
    std::string absolute = std::filesystem::absolute(path, ignored).lexically_normal().string();
    if (absolute.empty()) absolute = path;
    while (absolute.size() > 1 && absolute.back() == '/') absolute.pop_back();
    return absolute;
}
