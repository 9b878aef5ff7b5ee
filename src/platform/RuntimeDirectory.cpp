#include "platform/RuntimeDirectory.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>

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

// Someone else's directory at our name (a shared /tmp) could hold an
// impostor's sockets: say so once, loudly.
void WarnIfNotOurs(const std::string& directory) {
    struct stat info{};
    if (lstat(directory.c_str(), &info) != 0 || info.st_uid == geteuid()) return;
    static std::mutex mutex;
    static std::string warned;
    std::lock_guard<std::mutex> guard(mutex);
    if (warned == directory) return;
    warned = directory;
    std::fprintf(stderr, "Warning: runtime directory %s belongs to user %u, not to this user\n",
                 directory.c_str(), static_cast<unsigned>(info.st_uid));
}

}  // namespace

std::string RuntimeDirectory() {
    std::string directory = WithoutTrailingSlashes(ChooseRuntimeDirectory());
    // A failure shows up later, at the first socket or file made in it.
    CreateDirectories(directory, geteuid() == 0 ? 0750 : 0700);
    WarnIfNotOurs(directory);
    return directory;
}
