// SPDX-License-Identifier: MIT
#include "hw/DriverRequestSender.h"

#include "hw/DriverDevice.h"
#include "hw/DriverInstaller.h"

int SendDriverRequest(uint32_t code, DriverRequest* record) {
    DeviceHandle handle = INVALID_DEVICE_HANDLE;
    if (!OpenDriverDevice(kDriverName, &handle)) return 0;
    DeviceIo& device = DeviceIo::Current();
    uint32_t returned = 0;
    bool done = device.DeviceIoControl(handle, code, record, sizeof(*record), record,
                                       sizeof(*record), &returned);
    device.CloseHandle(handle);
    return done ? 1 : 0;
}

int SendVxdRequest(uint32_t code, DriverRequest* record) {
    std::string path;
    if (!FormatDevicePath(kVxdFile, &path)) return 0;
    DeviceIo& device = DeviceIo::Current();
    DeviceHandle handle = device.CreateFile(path, 0, 0, CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE);
    if (handle == INVALID_DEVICE_HANDLE) return 0;
    uint32_t returned = 0;
    bool done = device.DeviceIoControl(handle, code, nullptr, 0, record, sizeof(*record),
                                       &returned);
    device.CloseHandle(handle);
    return done ? 1 : 0;
}
