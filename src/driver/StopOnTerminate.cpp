// SPDX-License-Identifier: MIT
#include "driver/StopOnTerminate.h"

#include <signal.h>
#include <unistd.h>

#include <cstring>

namespace {

// Filled once before the handler is installed; the handler only reads it.
char socketPath[256];

void OnTerminate(int) {
    if (socketPath[0]) unlink(socketPath);
    _exit(0);
}

sigset_t TerminationSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    return signals;
}

}  // namespace

void HoldTermination() {
    sigset_t signals = TerminationSignals();
    sigprocmask(SIG_BLOCK, &signals, nullptr);
}

void InstallSignalHandling(const std::string& path) {
    std::strncpy(socketPath, path.c_str(), sizeof(socketPath) - 1);
    signal(SIGPIPE, SIG_IGN);
    struct sigaction action {};
    action.sa_handler = OnTerminate;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    sigset_t signals = TerminationSignals();
    sigprocmask(SIG_UNBLOCK, &signals, nullptr);
}
