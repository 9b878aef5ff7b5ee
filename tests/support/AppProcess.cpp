// SPDX-License-Identifier: MIT
#include "support/AppProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/trust/PrivateTempFolder.h"
#include "support/FileText.h"

AppProcess::AppProcess(std::string program, std::vector<std::string> arguments,
                       std::vector<std::pair<std::string, std::string>> environment) {
    int errorFd = KeepIn("stderr", &stderrPath_);
    int outputFd = KeepIn("stdout", &stdoutPath_);
    if (errorFd < 0 || outputFd < 0) return;

    std::vector<std::string> argv{program};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    pid_ = fork();
    if (pid_ == 0) {
        for (const auto& [name, value] : environment) setenv(name.c_str(), value.c_str(), 1);
        int nullFd = open("/dev/null", O_RDWR);
        dup2(nullFd, STDIN_FILENO);
        dup2(outputFd, STDOUT_FILENO);
        dup2(errorFd, STDERR_FILENO);
        std::vector<char*> pointers;
        for (std::string& argument : argv) pointers.push_back(argument.data());
        pointers.push_back(nullptr);
        execv(program.c_str(), pointers.data());
        _exit(127);
    }
    close(errorFd);
    close(outputFd);
}

int AppProcess::KeepIn(const char* stream, std::string* path) {
    std::string pattern = private_temp::TemporaryDirectory() + "tarvolent-" + stream + "-XXXXXX";
    int fd = mkostemp(pattern.data(), O_CLOEXEC);
    if (fd >= 0) *path = pattern;
    return fd;
}

AppProcess::~AppProcess() {
    if (pid_ > 0 && !status_) {
        kill(pid_, SIGKILL);
        WaitForExit(std::chrono::seconds(5));
    }
    if (!stderrPath_.empty()) unlink(stderrPath_.c_str());
    if (!stdoutPath_.empty()) unlink(stdoutPath_.c_str());
}

std::optional<int> AppProcess::WaitForExit(std::chrono::milliseconds timeout) {
    WaitUntil([this] { return !Running(); }, timeout);
    return status_;
}

bool AppProcess::Running() {
    if (pid_ <= 0 || status_) return false;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) != pid_) return true;
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return false;
}

void AppProcess::Signal(int signalNumber) {
    if (Running()) kill(pid_, signalNumber);
}

std::string AppProcess::StandardError() const {
    return ReadWholeFile(stderrPath_);
}

std::string AppProcess::StandardOutput() const {
    return ReadWholeFile(stdoutPath_);
}
