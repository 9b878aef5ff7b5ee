#pragma once

#include <string>

#include "platform/DeviceIo.h"

inline constexpr const char* kDriverName = "Borealix";

// Opens "\\.\NAME"; 1 with the handle stored (the caller closes it), else 0.
int OpenDriverDevice(const std::string& name, DeviceHandle* handle);
