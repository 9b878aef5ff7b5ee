// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/DeviceIo.h"
#include "protocol/DriverRequest.h"

// A device that records every open and control call and answers as the test
// says. Install with ScopedOverride<DeviceIo>.
class RecordingDeviceIo : public DeviceIo {
public:
    struct Open {
        std::string path;
        uint32_t access, shareMode, creation, flags;
    };
    struct Control {
        uint32_t code;
        bool inNull;
        uint32_t inSize, outSize;
        DriverRequest record;  // as sent: the input buffer, else the output buffer
    };

    // While false, every open fails with ERROR_FILE_NOT_FOUND.
    bool present = true;
    // Answers a control call by editing the output record; returning false
    // fails the call with ERROR_GEN_FAILURE. By default every call succeeds
    // and leaves the record as it was sent.
    std::function<bool(uint32_t code, DriverRequest& record)> answer;

    std::vector<Open> opens;
    std::vector<Control> controls;
    int closes = 0;

    DeviceHandle CreateFile(const std::string& path, uint32_t access, uint32_t shareMode,
                            uint32_t creation, uint32_t flags) override;
    bool DeviceIoControl(DeviceHandle handle, uint32_t code, void* inBuffer, uint32_t inSize,
                         void* outBuffer, uint32_t outSize, uint32_t* bytesReturned) override;
    bool CloseHandle(DeviceHandle handle) override;
    uint32_t GetLastError() override { return lastError_; }

private:
    uint32_t lastError_ = 0;
};
