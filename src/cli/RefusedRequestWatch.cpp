#include "cli/RefusedRequestWatch.h"

#include <cstring>

#include "platform/Seam.h"
#include "protocol/DriverRequest.h"

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
    if (driver_.DeviceIoControl(handle, code, inBuffer, inSize, outBuffer, outSize, bytesReturned))
        return true;
    RefusedRequest refused;
    refused.code = code;
    refused.configAddress = record.ConfigAddress;
    refused.physicalAddress = static_cast<uint32_t>(record.PhysicalAddress);
    refused.length = record.TransferLength;
    refused.error = driver_.GetLastError();
    Keep(refused);
    return false;
}

bool RefusedRequestWatch::CloseHandle(DeviceHandle handle) {
    return driver_.CloseHandle(handle);
}

uint32_t RefusedRequestWatch::GetLastError() {
    return driver_.GetLastError();
}
