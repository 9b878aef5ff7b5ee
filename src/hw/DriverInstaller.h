// SPDX-License-Identifier: MIT
#pragma once

#include <string>

#include "platform/ServiceManager.h"

inline constexpr const char* kDriverFile32 = "BOREALIX.SYS";
inline constexpr const char* kDriverFile64 = "BOREX64.SYS";
inline constexpr const char* kVxdFile = "borexvxd.vxd";

inline constexpr const char* kLoadDriverFailedText = "Error! Load driver failed!";

// 1 when the hardware route is ready, 0 when the driver could not be
// installed and started. Refuses (0) a runtime directory that may not be
// trusted, and runs under a lock there so that programs started at once
// take turns.
int LoadDriver();
// What start-up shows when LoadDriver fails: the failure, and on the lines
// after it every refused file or folder that caused it.
std::string LoadDriverFailedMessage();
int InstallDriverService(const std::string& name, const std::string& path);
int CreateDriverService(ScHandle manager, const std::string& name, const std::string& path);
int StartDriverService(ScHandle manager, const std::string& name);
int RemoveDriverService(const std::string& name);
