#include "platform/RuntimeDirectory.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "platform/DirectoryCreation.h"
#include "platform/TrustedPath.h"

namespace {

std::string EnvironmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string ChooseRuntimeDirectory() {
    std::string chosen = EnvironmentValue("BOREALIX_RUNTIME_DIR");
    if (!chosen.empty()) return chosen;
    std::string xdg = EnvironmentValue("XDG_RUNTIME_DIR");
    if (!xdg.empty()) return xdg + "/borealix";
    return "/tmp/borealix-" + std::to_string(geteuid());
}

// Absolute, so a driver that leaves the current directory still finds it.
std::string Normalised(const std::string& path) {
    std::error_code ignored;
    std::string absolute = std::filesystem::absolute(path, ignored).lexically_normal().string();
    if (absolute.empty()) absolute = path;
    while (absolute.size() > 1 && absolute.back() == '/') absolute.pop_back();
    return absolute;
}

}  // namespace

std::string RuntimeDirectory() {
    std::string directory = Normalised(ChooseRuntimeDirectory());
    // A failure shows up in RuntimeDirectoryProblem or at the first file made.
    CreateDirectories(directory, 0700);
    return directory;
}

std::string RuntimeDirectoryProblem() {
    std::string directory = RuntimeDirectory();
    std::string problem = trusted_path::DirectoryProblem(directory);
    return problem.empty() ? problem : RefusalMessage("runtime directory", directory, problem);
}

std::string RefusalMessage(const std::string& what, const std::string& path,
                           const std::string& problem) {
    return "Refused " + what + " " + path + ": " + problem;
}
