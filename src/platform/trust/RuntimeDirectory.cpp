// SPDX-License-Identifier: MIT
#include "platform/trust/RuntimeDirectory.h"

#include <unistd.h>

#include <cstdlib>

#include "platform/trust/DirectoryCreation.h"
#include "platform/trust/PrivateRuntimeFolder.h"
#include "platform/trust/PrivateTempFolder.h"
#include "platform/trust/SystemDriver.h"
#include "platform/trust/TrustedPath.h"
#include "protocol/DriverNames.h"

namespace {

std::string EnvironmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// borealix-UID in the temporary directory, or, where someone else made that
// first, a private folder of this user's beside it.
std::string TemporaryRuntimeDirectory() {
    const std::string standard = AbsoluteDirectoryPath(private_temp::TemporaryDirectory() +
                                                       "borealix-" + std::to_string(geteuid()));
    CreateDirectories(standard, 0700);
    const std::string problem = trusted_path::DirectoryProblem(standard);
    if (problem.empty()) return standard;
    const std::string instead = private_runtime::FolderInstead(standard, problem);
    return instead.empty() ? standard : instead;
}

}  // namespace

std::string RuntimeDirectory() {
    // A folder the user named is used as named, and refused if it must be.
    std::string chosen = EnvironmentValue(kRuntimeDirectoryVariable);
    if (chosen.empty()) {
        std::string xdg = EnvironmentValue("XDG_RUNTIME_DIR");
        if (xdg.empty()) return TemporaryRuntimeDirectory();
        chosen = xdg + "/borealix";
    }
    // Absolute, so a driver that leaves the current directory still finds it.
    std::string directory = AbsoluteDirectoryPath(chosen);
    // A failure shows up in RuntimeDirectoryProblem or at the first file made.
    CreateDirectories(directory, 0700);
    return directory;
}

std::string RuntimeDirectoryProblem() {
    std::string directory = RuntimeDirectory();
    std::string problem = trusted_path::DirectoryProblem(directory);
    // Root owns both: only the path keeps a per-user driver out of the
    // system driver's folder.
    const std::string system = system_driver::Directory();
    if (problem.empty() && (directory == system || directory.rfind(system + "/", 0) == 0))
        problem = "it is the system driver's folder " + system;
    return problem.empty() ? problem : RefusalMessage("runtime directory", directory, problem);
}

std::string RefusalMessage(const std::string& what, const std::string& path,
                           const std::string& problem) {
    return "Refused " + what + " " + path + ": " + problem;
}
