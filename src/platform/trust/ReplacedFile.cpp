// SPDX-License-Identifier: MIT
#include "platform/trust/ReplacedFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace output_file {
namespace {

std::string Failed(const char* call) {
    return std::string(call) + " failed: " + std::strerror(errno);
}

// Empty when the name may be replaced.
std::string RefusalOf(const std::string& path) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0) return errno == ENOENT ? std::string() : Failed("lstat");
    if (S_ISLNK(info.st_mode)) return "it is a symbolic link";
    if (!S_ISREG(info.st_mode)) return "it is not a regular file";
    if (info.st_uid != geteuid() && info.st_uid != 0)
        return "it belongs to user " + std::to_string(info.st_uid);
    return {};
}

bool WriteAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t written = write(fd, text.data(), text.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        text.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

}  // namespace

bool Replace(const std::string& path, std::string_view text, mode_t mode, std::string* problem) {
    const size_t slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty() || name == "." || name == "..") {
        *problem = "it names no file";
        return false;
    }
    *problem = RefusalOf(path);
    if (!problem->empty()) return false;
    // Hidden and without the name's extension, so a collector that reads
    // *.prom never picks the unfinished file up.
    std::string temporary = path.substr(0, slash + 1) + "." + name + ".XXXXXX";
    const int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        *problem = Failed("mkostemp");
        return false;
    }
    const char* failedCall = !WriteAll(fd, text)     ? "write"
                             : fchmod(fd, mode) != 0 ? "fchmod"
                             : fsync(fd) != 0        ? "fsync"
                                                     : nullptr;
    if (failedCall) *problem = Failed(failedCall);
    if (close(fd) != 0 && !failedCall) *problem = Failed(failedCall = "close");
    if (!failedCall && rename(temporary.c_str(), path.c_str()) != 0) *problem = Failed("rename");
    if (problem->empty()) return true;
    unlink(temporary.c_str());
    return false;
}

}  // namespace output_file
