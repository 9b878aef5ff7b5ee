// SPDX-License-Identifier: MIT
#include "support/RecordingDeviceIo.h"

#include <algorithm>
#include <cstring>

#include "protocol/ErrorCodes.h"

namespace {

constexpr DeviceHandle kHandle = 7;

}  // namespace

DeviceHandle RecordingDeviceIo::CreateFile(const std::string& path, uint32_t access,
                                           uint32_t shareMode, uint32_t creation,
                                           uint32_t flags) {
    opens.push_back({path, access, shareMode, creation, flags});
    if (!present) {
        lastError_ = ERROR_FILE_NOT_FOUND;
        return INVALID_DEVICE_HANDLE;
    }
    return kHandle;
}

bool RecordingDeviceIo::DeviceIoControl(DeviceHandle handle, uint32_t code, void* inBuffer,
                                        uint32_t inSize, void* outBuffer, uint32_t outSize,
                                        uint32_t* bytesReturned) {
    Control control{code, inBuffer == nullptr, inSize, outSize, {}};
    void* sent = inBuffer ? inBuffer : outBuffer;
    uint32_t sentSize = inBuffer ? inSize : outSize;
    if (sent) std::memcpy(&control.record, sent, std::min<size_t>(sentSize, sizeof(DriverRequest)));
    controls.push_back(control);
    if (handle != kHandle || outSize < sizeof(DriverRequest)) {
        lastError_ = ERROR_INVALID_PARAMETER;
        return false;
    }
    DriverRequest reply = control.record;
    if (answer && !answer(code, reply)) {
        lastError_ = ERROR_GEN_FAILURE;
        return false;
    }
    std::memcpy(outBuffer, &reply, sizeof(reply));
    if (bytesReturned) *bytesReturned = sizeof(reply);
    return true;
}

bool RecordingDeviceIo::CloseHandle(DeviceHandle handle) {
    ++closes;
    return handle == kHandle;
}
