// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

// The exit status with which a daemon says that another one already serves
// in its place.
inline constexpr int kDaemonAlreadyRunningStatus = 17;

// Runs a program that detaches itself (forks, the parent exits 0) and waits
// at most `wait` for the parent to finish. ERROR_SUCCESS when it exited 0,
// ERROR_SERVICE_ALREADY_RUNNING when it exited kDaemonAlreadyRunningStatus,
// ERROR_FILE_NOT_FOUND when it cannot be run, ERROR_SERVICE_REQUEST_TIMEOUT
// when it had not finished in time (it is killed), ERROR_PROCESS_ABORTED when
// it exited otherwise (its own message is already on our stderr).
// `environment` holds "NAME=value" entries that the daemon gets in place of
// (or beside) this process's own.
uint32_t LaunchDaemon(const std::string& program, std::chrono::milliseconds wait,
                      const std::vector<std::string>& environment = {});
