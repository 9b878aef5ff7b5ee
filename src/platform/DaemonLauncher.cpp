// SPDX-License-Identifier: MIT
#include "platform/DaemonLauncher.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <thread>

#include "protocol/ErrorCodes.h"

extern char** environ;

namespace {

bool IsExecutableFile(const std::string& path) {
    struct stat info {};
    return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           access(path.c_str(), X_OK) == 0;
}

// False when the child is still running after `wait`.
bool WaitForExit(pid_t pid, std::chrono::milliseconds wait, int* status) {
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        pid_t done = waitpid(pid, status, WNOHANG);
        if (done == pid) return true;
        if (done < 0 && errno != EINTR) {
            *status = 0xFF00;  // not ours to reap: treat as a failed exit
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

// This process's environment with `changes` ("NAME=value") in place.
std::vector<char*> EnvironmentWith(const std::vector<std::string>& changes) {
    std::vector<char*> entries;
    for (char** entry = environ; *entry; ++entry) {
        const std::string text = *entry;
        const bool replaced = std::any_of(changes.begin(), changes.end(), [&](const auto& change) {
            return text.compare(0, change.find('=') + 1, change, 0, change.find('=') + 1) == 0;
        });
        if (!replaced) entries.push_back(*entry);
    }
    for (const std::string& change : changes) entries.push_back(const_cast<char*>(change.c_str()));
    entries.push_back(nullptr);
    return entries;
}

}  // namespace

uint32_t LaunchDaemon(const std::string& program, std::chrono::milliseconds wait,
                      const std::vector<std::string>& environment) {
    if (!IsExecutableFile(program)) return ERROR_FILE_NOT_FOUND;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    // Only the standard streams go to the daemon: a test harness's pipe held
    // open by a driver would keep the harness waiting.
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
    pid_t pid = 0;
    std::vector<char*> variables = EnvironmentWith(environment);
    int spawnError = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, variables.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawnError != 0) return ERROR_FILE_NOT_FOUND;
    int status = 0;
    if (!WaitForExit(pid, wait, &status)) {
        // A daemon stuck before detaching (a machine file on a hung mount,
        // say) must not hold its starter for ever.
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        return ERROR_SERVICE_REQUEST_TIMEOUT;
    }
    if (!WIFEXITED(status)) return ERROR_PROCESS_ABORTED;
    if (WEXITSTATUS(status) == 0) return ERROR_SUCCESS;
    if (WEXITSTATUS(status) == kDaemonAlreadyRunningStatus) return ERROR_SERVICE_ALREADY_RUNNING;
    return ERROR_PROCESS_ABORTED;
}
