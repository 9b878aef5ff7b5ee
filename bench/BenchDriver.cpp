// SPDX-License-Identifier: MIT
#include "BenchDriver.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "BenchScratch.h"
#include "platform/route/UnixSocket.h"

BenchDriver::BenchDriver(const std::string& runtimeDirectory, const std::string& machine)
    : directory_(runtimeDirectory) {
    if (mkdir(directory_.c_str(), 0700) != 0 && errno != EEXIST) return;
    const std::string program = std::string(TARVOLENT_BIN_DIR) + "/BOREX64.SYS";
    // This process's requests take the simulated machine's route too, never
    // the one to this machine's hardware.
    setenv("BOREALIX_MACHINE", machine.c_str(), 1);
    child_ = fork();
    if (child_ == 0) {
        setenv("BOREALIX_RUNTIME_DIR", directory_.c_str(), 1);
        execl(program.c_str(), program.c_str(), "--foreground", static_cast<char*>(nullptr));
        _exit(127);
    }
    if (child_ > 0) BenchScratch::StopOnInterrupt(child_);
}

bool BenchDriver::WaitUntilReady(int timeoutSeconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    while (child_ > 0 && !BenchScratch::Interrupted() && std::chrono::steady_clock::now() < end) {
        if (unix_socket::Answers(directory_ + "/Borealix")) return true;
        if (waitpid(child_, nullptr, WNOHANG) == child_) {
            child_ = -1;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

BenchDriver::~BenchDriver() {
    // On SIGTERM the driver removes its socket and exits at once.
    if (child_ > 0) BenchScratch::Stop(child_);
}
