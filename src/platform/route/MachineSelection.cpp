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

std::string MachineKey(const std::string& identity, std::string_view contents) {
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
        std::string problem;
        if (!realpath(fileOrBuiltin.c_str(), absolute)) {
            problem = std::strerror(errno);
        } else {
            RegularFileRead how;
            how.limit = kMaxMachineFileBytes;
            ReadRegularFile(absolute, how, &contents, &problem);
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
    std::string directory = RuntimeDirectory() + "/machines/" + MachineKey(identity, contents);
    if (!CreateDirectories(directory, 0700)) {
        return Fail(error,
                    "Cannot create runtime directory " + directory + ": " + std::strerror(errno));
    }
    setenv(kRuntimeDirectoryVariable, directory.c_str(), 1);
    return true;
}
