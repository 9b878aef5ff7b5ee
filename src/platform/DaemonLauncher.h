#pragma once

#include <cstdint>
#include <string>

// Runs a program that detaches itself (forks, the parent exits 0) and waits
// for the parent to finish. ERROR_SUCCESS when it exited 0,
// ERROR_FILE_NOT_FOUND when it cannot be run, ERROR_PROCESS_ABORTED when it
// exited otherwise (its own message is already on our stderr).
uint32_t LaunchDaemon(const std::string& program);
