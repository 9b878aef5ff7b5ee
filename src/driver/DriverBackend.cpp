// SPDX-License-Identifier: MIT
#include "driver/DriverBackend.h"

#include <string.h>

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

uint32_t DriverBackend::ReadPhysicalPieces(uint32_t address, uint32_t length,
                                           const PhysicalPieces& take) {
    // Requests are handled one at a time, so one buffer serves them all.
    if (pieceBuffer_.size() < length) pieceBuffer_.resize(length);
    uint32_t status = ReadPhysical(address, pieceBuffer_.data(), length);
    if (status == ERROR_SUCCESS) status = take(pieceBuffer_.data(), length);
    // What was read stays no longer than the request.
    explicit_bzero(pieceBuffer_.data(), length);
    return status;
}
