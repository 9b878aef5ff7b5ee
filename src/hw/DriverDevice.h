// SPDX-License-Identifier: MIT
#pragma once

#include <string>

#include "platform/DeviceIo.h"
#include "protocol/DriverNames.h"

// "\\.\NAME" formatted into the 64-byte device path buffer; false when the
// name does not fit (it is never truncated).
bool FormatDevicePath(const std::string& name, std::string* path);

// Opens "\\.\NAME"; 1 with the handle stored (the caller closes it), else 0.
int OpenDriverDevice(const std::string& name, DeviceHandle* handle);
