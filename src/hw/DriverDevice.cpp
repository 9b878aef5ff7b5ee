// SPDX-License-Identifier: MIT
#include "hw/DriverDevice.h"

#include <cstdio>

namespace {

constexpr size_t kDevicePathSize = 64;

}  // namespace

bool FormatDevicePath(const std::string& name, std::string* path) {
    char buffer[kDevicePathSize];
    int length = std::snprintf(buffer, sizeof(buffer), "\\\\.\\%s", name.c_str());
    if (length < 0 || static_cast<size_t>(length) >= sizeof(buffer)) return false;
    *path = buffer;
    return true;
}

int OpenDriverDevice(const std::string& name, DeviceHandle* handle) {
    std::string path;
    if (!FormatDevicePath(name, &path)) return 0;
    DeviceHandle opened = DeviceIo::Current().CreateFile(path, GENERIC_READ | GENERIC_WRITE, 0,
                                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
    if (opened == INVALID_DEVICE_HANDLE) return 0;
    *handle = opened;
    return 1;
}
