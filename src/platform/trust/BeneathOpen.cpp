// SPDX-License-Identifier: MIT
#include "platform/trust/BeneathOpen.h"

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace beneath {

namespace {

// The parts of a relative name; false for an absolute one or one with "..".
bool SplitParts(const std::string& relative, std::vector<std::string>* parts) {
    if (relative.empty() || relative[0] == '/') return false;
    size_t start = 0;
    while (start <= relative.size()) {
        size_t slash = relative.find('/', start);
        if (slash == std::string::npos) slash = relative.size();
        std::string part = relative.substr(start, slash - start);
        if (part == "..") return false;
        if (!part.empty() && part != ".") parts->push_back(std::move(part));
        start = slash + 1;
    }
    return true;
}

int Fail(int fd, int error) {
    if (fd >= 0) close(fd);
    errno = error;
    return -1;
}

// A folder one step down, never through a link.
int StepInto(int folder, const std::string& part) {
    int fd = openat(folder, part.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat info {};
    if (fstat(fd, &info) != 0) return Fail(fd, errno);
    if (S_ISLNK(info.st_mode)) return Fail(fd, ELOOP);
    if (!S_ISDIR(info.st_mode)) return Fail(fd, ENOTDIR);
    return fd;
}

}  // namespace

int Open(int folder, const std::string& relative, int flags) {
    std::vector<std::string> parts;
    if (!SplitParts(relative, &parts)) return Fail(-1, EXDEV);
    open_how how{};
    how.flags = static_cast<unsigned long long>(flags | O_NOFOLLOW | O_CLOEXEC);
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
    long fd = syscall(SYS_openat2, folder, relative.c_str(), &how, sizeof(how));
    // Kernels before 5.6 (or a filter that forbids the call) have only openat.
    if (fd < 0 && (errno == ENOSYS || errno == EPERM)) return Walk(folder, relative, flags);
    return static_cast<int>(fd);
}

int Walk(int folder, const std::string& relative, int flags) {
    std::vector<std::string> parts;
    if (!SplitParts(relative, &parts)) return Fail(-1, EXDEV);
    if (parts.empty()) return openat(folder, ".", flags | O_CLOEXEC);
    int current = folder;
    for (size_t i = 0; i + 1 < parts.size(); ++i) {
        int next = StepInto(current, parts[i]);
        int error = errno;
        if (current != folder) close(current);
        if (next < 0) return Fail(-1, error);
        current = next;
    }
    int fd = openat(current, parts.back().c_str(), flags | O_NOFOLLOW | O_CLOEXEC);
    int error = errno;
    if (current != folder) close(current);
    return fd < 0 ? Fail(-1, error) : fd;
}

}  // namespace beneath
