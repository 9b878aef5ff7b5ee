#include "platform/MachineSelection.h"

#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "platform/DirectoryCreation.h"
#include "platform/Fnv1a.h"
#include "platform/RuntimeDirectory.h"

namespace {

constexpr const char* kBuiltin = "builtin";

bool ReadWholeFile(const std::string& path, std::string* contents) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char chunk[65536];
    ssize_t got;
    while ((got = read(fd, chunk, sizeof(chunk))) != 0) {
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            int saved = errno;
            close(fd);
            errno = saved;
            return false;
        }
        contents->append(chunk, static_cast<size_t>(got));
    }
    close(fd);
    return true;
}

std::string MachineKey(const std::string& identity, const std::string& contents) {
    uint64_t hash = Fnv1a64(identity);
    hash = Fnv1a64(std::string_view("\0", 1), hash);
    hash = Fnv1a64(contents, hash);
    char key[17];
    std::snprintf(key, sizeof(key), "%016" PRIx64, hash);
    return key;
}

bool Fail(std::string* error, const std::string& message) {
    if (error) *error = message;
    return false;
}

}  // namespace

bool SelectMachine(const std::string& fileOrBuiltin, std::string* error) {
    std::string identity = kBuiltin;
    std::string contents;
    if (fileOrBuiltin != kBuiltin) {
        char absolute[PATH_MAX];
        if (!realpath(fileOrBuiltin.c_str(), absolute) || !ReadWholeFile(absolute, &contents)) {
            return Fail(error,
                        "Cannot read machine file " + fileOrBuiltin + ": " + std::strerror(errno));
        }
        identity = absolute;
    }
    setenv("BOREALIX_MACHINE", identity.c_str(), 1);
    // Nothing is made inside a runtime directory that may not be trusted:
    // the refusal names it when the driver is to be loaded.
    if (!RuntimeDirectoryProblem().empty()) return true;
    std::string directory = RuntimeDirectory() + "/machines/" + MachineKey(identity, contents);
    if (!CreateDirectories(directory, 0700)) {
        return Fail(error,
                    "Cannot create runtime directory " + directory + ": " + std::strerror(errno));
    }
    setenv("BOREALIX_RUNTIME_DIR", directory.c_str(), 1);
    return true;
}
