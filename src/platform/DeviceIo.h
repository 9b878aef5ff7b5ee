// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>

#include "protocol/DriverRequest.h"

using DeviceHandle = intptr_t;
inline constexpr DeviceHandle INVALID_DEVICE_HANDLE = -1;

inline constexpr uint32_t GENERIC_READ = 0x80000000u;
inline constexpr uint32_t GENERIC_WRITE = 0x40000000u;
inline constexpr uint32_t CREATE_NEW = 1;
inline constexpr uint32_t OPEN_EXISTING = 3;
inline constexpr uint32_t FILE_ATTRIBUTE_NORMAL = 0x80;
inline constexpr uint32_t FILE_FLAG_DELETE_ON_CLOSE = 0x04000000u;

// Device open and I/O control. A device path "\\.\NAME" names the driver
// socket NAME in the runtime directory, or the system driver's socket
// (driver_route::DeviceSocketPath).
class DeviceIo {
  public:
    virtual ~DeviceIo() = default;

    virtual DeviceHandle CreateFile(const std::string& path, uint32_t access, uint32_t shareMode,
                                    uint32_t creation, uint32_t flags) = 0;
    // inBuffer may be null with inSize 0. For the memory codes the bytes at
    // the record's UserBuffer travel with the request (write) or back into it
    // (read).
    virtual bool DeviceIoControl(DeviceHandle handle, uint32_t code, void* inBuffer,
                                 uint32_t inSize, void* outBuffer, uint32_t outSize,
                                 uint32_t* bytesReturned) = 0;
    virtual bool CloseHandle(DeviceHandle handle) = 0;
    // Error code of the last failed call on this thread.
    virtual uint32_t GetLastError() = 0;
    // The most bytes one memory read may ask for when its buffer is a window
    // onto a file (SharedTransferBuffer): larger where the driver is handed
    // the file itself, as much as any other read elsewhere.
    virtual uint32_t LargestFileRead() { return kMaxTransferLength; }

    static DeviceIo& Native();
    static DeviceIo& Current();
};
