// SPDX-License-Identifier: MIT
#include "driver/DriverBackend.h"

#include <cstring>

#include "protocol/ErrorCodes.h"

uint32_t DriverBackend::ReadConfigBlock(FunctionAddress function, uint32_t size, uint8_t* bytes,
                                        uint8_t* dwordRead) {
    return ReadConfigDwords(function, 0, size, bytes, dwordRead);
}

uint32_t DriverBackend::ReadConfigDwords(FunctionAddress function, uint32_t first, uint32_t size,
                                         uint8_t* bytes, uint8_t* dwordRead) {
    uint32_t firstError = ERROR_SUCCESS;
    for (uint32_t offset = first; offset < size; offset += 4) {
        uint32_t value = 0;
        const uint32_t status = ReadConfigDword(function, offset, &value);
        if (status != ERROR_SUCCESS && firstError == ERROR_SUCCESS) firstError = status;
        if (status != ERROR_SUCCESS) value = 0;
        std::memcpy(bytes + offset, &value, sizeof(value));
        dwordRead[offset / 4] = status == ERROR_SUCCESS ? 1 : 0;
    }
    return firstError;
}
