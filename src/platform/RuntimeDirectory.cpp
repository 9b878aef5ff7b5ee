#include "platform/RuntimeDirectory.h"

#include <unistd.h>

#include <cstdlib>

#include "platform/DirectoryCreation.h"

namespace {

std::string EnvironmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string ChooseRuntimeDirectory() {
    std::string chosen = EnvironmentValue("BOREALIX_RUNTIME_DIR");
    if (!chosen.empty()) return chosen;
    if (geteuid() == 0) return "/run/borealix";
    std::string xdg = EnvironmentValue("XDG_RUNTIME_DIR");
    if (!xdg.empty()) return xdg + "/borealix";
    return "/tmp/borealix-" + std::to_string(geteuid());
}

std::string WithoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

}  // namespace

std::string RuntimeDirectory() {
    std::string directory = WithoutTrailingSlashes(ChooseRuntimeDirectory());
    // A failure shows up later, at the first socket or file made in it.
    CreateDirectories(directory, geteuid() == 0 ? 0750 : 0700);
    return directory;
}
