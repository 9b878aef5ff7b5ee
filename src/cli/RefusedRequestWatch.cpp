// SPDX-License-Identifier: MIT
#include "cli/RefusedRequestWatch.h"

#include <cstring>

#include "platform/Seam.h"
#include "protocol/DriverRequest.h"
#include "protocol/ErrorCodes.h"

RefusedRequestWatch::RefusedRequestWatch(ExpectedRefusal expected)
    : driver_(DeviceIo::Current()),
      previous_(Seam<DeviceIo>::Exchange(this)),
      expected_(expected) {}

RefusedRequestWatch::~RefusedRequestWatch() {
    Seam<DeviceIo>::Exchange(previous_);
}

void RefusedRequestWatch::Keep(const RefusedRequest& refused) {
    if (first_ || (expected_ && expected_(refused))) return;
    first_ = refused;
}

DeviceHandle RefusedRequestWatch::CreateFile(const std::string& path, uint32_t access,
                                             uint32_t shareMode, uint32_t creation,
                                             uint32_t flags) {
    const DeviceHandle handle = driver_.CreateFile(path, access, shareMode, creation, flags);
    if (handle == INVALID_DEVICE_HANDLE) {
        RefusedRequest refused;
        refused.error = driver_.GetLastError();
        Keep(refused);
    }
    return handle;
}

bool RefusedRequestWatch::DeviceIoControl(DeviceHandle handle, uint32_t code, void* inBuffer,
                                          uint32_t inSize, void* outBuffer, uint32_t outSize,
                                          uint32_t* bytesReturned) {
    // Taken before the call: a read's record comes back over the same buffer.
    DriverRequest record{};
    if (inBuffer && inSize >= sizeof(record)) std::memcpy(&record, inBuffer, sizeof(record));
    if (driver_.DeviceIoControl(handle, code, inBuffer, inSize, outBuffer, outSize,
                                bytesReturned)) {
        if (code == IOCTL_READ_PCI_CONFIG_BLOCK && outBuffer && outSize >= sizeof(record))
            KeepRefusedDword(*static_cast<const DriverRequest*>(outBuffer));
        return true;
    }
    // A driver older than these requests is asked with the record's own.
    if ((code == IOCTL_READ_PCI_CONFIG_BLOCK || code == IOCTL_LIST_PCI_SEGMENT_FUNCTIONS) &&
        driver_.GetLastError() == ERROR_INVALID_FUNCTION) {
        return false;
    }
    // The readers of many functions ask again, one by one, for what such a
    // request did not read, and those requests are kept, in their order.
    if (IsReadOfMany(code)) return false;
    RefusedRequest refused;
    refused.code = code;
    refused.configAddress = record.ConfigAddress;
    refused.segment = RequestSegment(record);
    refused.physicalAddress = static_cast<uint32_t>(record.PhysicalAddress);
    refused.length = record.TransferLength;
    refused.error = driver_.GetLastError();
    Keep(refused);
    return false;
}

// A block read is carried out even where dwords of it were refused; the
// first of those is the refusal, as its own dword request would have been.
void RefusedRequestWatch::KeepRefusedDword(const DriverRequest& record) {
    if (record.ConfigValue == ERROR_SUCCESS) return;
    const uint32_t length = record.TransferLength;
    const uint32_t size = length / 5 * 4;
    const auto* block = reinterpret_cast<const uint8_t*>(static_cast<uintptr_t>(record.UserBuffer));
    if (!block || ConfigBlockLength(size) != length) return;
    for (uint32_t dword = 0; dword < size / 4; ++dword) {
        if (block[size + dword]) continue;
        RefusedRequest refused;
        refused.code = IOCTL_READ_PCI_CONFIG;
        refused.configAddress = record.ConfigAddress + 4 * dword;
        refused.segment = RequestSegment(record);
        refused.error = record.ConfigValue;
        Keep(refused);
        return;
    }
}

bool RefusedRequestWatch::IsReadOfMany(uint32_t code) {
    return code == IOCTL_READ_PCI_CONFIG_BLOCKS || code == IOCTL_READ_PHYSICAL_GATHER;
}

bool RefusedRequestWatch::CloseHandle(DeviceHandle handle) {
    return driver_.CloseHandle(handle);
}

uint32_t RefusedRequestWatch::GetLastError() {
    return driver_.GetLastError();
}
