#include "platform/DaemonLauncher.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "platform/ErrorCodes.h"

extern char** environ;

namespace {

bool IsExecutableFile(const std::string& path) {
    struct stat info{};
    return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           access(path.c_str(), X_OK) == 0;
}

}  // namespace

uint32_t LaunchDaemon(const std::string& program) {
    if (!IsExecutableFile(program)) return ERROR_FILE_NOT_FOUND;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    // Only the standard streams go to the daemon: a test harness's pipe held
    // open by a driver would keep the harness waiting.
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
    pid_t pid = 0;
    int spawnError = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawnError != 0) return ERROR_FILE_NOT_FOUND;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return ERROR_PROCESS_ABORTED;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? ERROR_SUCCESS : ERROR_PROCESS_ABORTED;
}
