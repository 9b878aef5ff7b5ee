// SPDX-License-Identifier: MIT
#include "PeerProgram.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "BenchScratch.h"

extern char** environ;

bool RunPeerProgram(const std::vector<std::string>& arguments, std::string* output, int okStatus) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    int pipeFds[2] = {-1, -1};
    if (output && pipe2(pipeFds, O_CLOEXEC) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (output)
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    else
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int failed = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (!failed) BenchScratch::StopOnInterrupt(pid);
    if (output) {
        close(pipeFds[1]);
        output->clear();
        // As large a read as a pipe holds, so that the harness is not what
        // a program with more output waits on.
        static char chunk[65536];
        for (ssize_t got; !failed && ((got = read(pipeFds[0], chunk, sizeof chunk)) > 0 ||
                                      (got < 0 && errno == EINTR));)
            if (got > 0) output->append(chunk, static_cast<size_t>(got));
        close(pipeFds[0]);
    }
    if (failed) return false;
    int status = 0;
    pid_t waited;
    while ((waited = waitpid(pid, &status, 0)) < 0 && errno == EINTR) {
    }
    BenchScratch::Forget(pid);
    if (waited != pid) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == okStatus;
}
