// SPDX-License-Identifier: MIT
#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// A program run by a test as a real process, with extra environment
// variables and its standard output and error kept in files. Killed on destruction if
// still running, so no test leaves one behind.
class AppProcess {
  public:
    AppProcess(std::string program, std::vector<std::string> arguments,
               std::vector<std::pair<std::string, std::string>> environment = {});
    ~AppProcess();
    AppProcess(const AppProcess&) = delete;
    AppProcess& operator=(const AppProcess&) = delete;

    bool Started() const { return pid_ > 0; }
    pid_t Pid() const { return pid_; }
    // The exit status once the process ended within the time; nullopt when
    // it still runs. A process ended by a signal reports 128 + the signal.
    std::optional<int> WaitForExit(std::chrono::milliseconds timeout);
    bool Running();
    void Signal(int signalNumber);
    std::string StandardError() const;
    std::string StandardOutput() const;

  private:
    pid_t pid_ = -1;
    std::optional<int> status_;
    // A fresh file for one of the child's streams; its descriptor.
    static int KeepIn(const char* stream, std::string* path);

    std::string stderrPath_;
    std::string stdoutPath_;
};

// Polls until the condition holds or the time is up; the condition's last value.
template <class Condition>
bool WaitUntil(Condition condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) return condition();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}
