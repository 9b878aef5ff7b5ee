#include "platform/trust/RuntimeDirectory.h"

#include <unistd.h>

#include <cstdlib>

#include "platform/trust/DirectoryCreation.h"
#include "platform/trust/PrivateTempFolder.h"
#include "platform/trust/SystemDriver.h"
#include "platform/trust/TrustedPath.h"
#include "protocol/DriverNames.h"

namespace {

std::string EnvironmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string ChooseRuntimeDirectory() {
    std::string chosen = EnvironmentValue(kRuntimeDirectoryVariable);
    if (!chosen.empty()) return chosen;
    std::string xdg = EnvironmentValue("XDG_RUNTIME_DIR");
    if (!xdg.empty()) return xdg + "/borealix";
    return private_temp::TemporaryDirectory() + "borealix-" + std::to_string(geteuid());
}

}  // namespace

std::string RuntimeDirectory() {
    // Absolute, so a driver that leaves the current directory still finds it.
    std::string directory = AbsoluteDirectoryPath(ChooseRuntimeDirectory());
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
