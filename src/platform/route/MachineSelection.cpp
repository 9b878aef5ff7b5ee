// SPDX-License-Identifier: MIT
#include "platform/route/MachineSelection.h"

#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "platform/route/Fnv1a.h"
#include "platform/trust/DirectoryCreation.h"
#include "platform/trust/RegularFile.h"
#include "platform/trust/RuntimeDirectory.h"
#include "protocol/DriverNames.h"

namespace {

constexpr const char* kBuiltin = "builtin";

// The file's path and which version of it: an edited or replaced file
// gets a driver of its own, without reading megabytes at every start.
std::string MachineKey(const std::string& identity, const struct stat& version) {
    uint64_t hash = Fnv1a64(identity);
    hash = Fnv1a64(std::string_view("\0", 1), hash);
    const uint64_t fields[] = {static_cast<uint64_t>(version.st_dev),
                               static_cast<uint64_t>(version.st_ino),
                               static_cast<uint64_t>(version.st_size),
                               static_cast<uint64_t>(version.st_mtim.tv_sec),
                               static_cast<uint64_t>(version.st_mtim.tv_nsec),
                               static_cast<uint64_t>(version.st_ctim.tv_sec),
                               static_cast<uint64_t>(version.st_ctim.tv_nsec)};
    hash = Fnv1a64(std::string_view(reinterpret_cast<const char*>(fields), sizeof fields), hash);
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
    struct stat version {};
    if (fileOrBuiltin != kBuiltin) {
        char absolute[PATH_MAX];
        std::string problem;
        if (!realpath(fileOrBuiltin.c_str(), absolute)) {
            problem = std::strerror(errno);
        } else {
            RegularFileRead how;
            how.limit = kMaxMachineFileBytes;
            StatRegularFile(absolute, how, &version, &problem);
        }
        if (!problem.empty()) {
            return Fail(error, "Cannot read machine file " + fileOrBuiltin + ": " + problem);
        }
        identity = absolute;
    }
    setenv(kMachineVariable, identity.c_str(), 1);
    // Nothing is made inside a runtime directory that may not be trusted:
    // the refusal names it when the driver is to be loaded.
    if (!RuntimeDirectoryProblem().empty()) return true;
    std::string directory = RuntimeDirectory() + "/machines/" + MachineKey(identity, version);
    if (!CreateDirectories(directory, 0700)) {
        return Fail(error,
                    "Cannot create runtime directory " + directory + ": " + std::strerror(errno));
    }
    setenv(kRuntimeDirectoryVariable, directory.c_str(), 1);
    return true;
}
