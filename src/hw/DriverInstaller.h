#pragma once

#include <string>

#include "platform/ServiceManager.h"

inline constexpr const char* kDriverFile32 = "BOREALIX.SYS";
inline constexpr const char* kDriverFile64 = "BOREX64.SYS";
inline constexpr const char* kVxdFile = "borexvxd.vxd";

// 1 when the hardware route is ready, 0 when the driver could not be
// installed and started.
int LoadDriver();
int InstallDriverService(const std::string& name, const std::string& path);
int CreateDriverService(ScHandle manager, const std::string& name, const std::string& path);
int StartDriverService(ScHandle manager, const std::string& name);
int RemoveDriverService(const std::string& name);
