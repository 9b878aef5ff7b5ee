// SPDX-License-Identifier: MIT
#include "cli/RefusedRequestWatch.h"

#include <cstring>

#include "pcidef/ConfigMechanism.h"
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
        if (outBuffer && outSize >= sizeof(record))
            KeepRefusedParts(code, record,
                             static_cast<const DriverRequest*>(outBuffer)->ConfigValue);
        return true;
    }
    // A driver older than these requests is asked with the record's own.
    if ((code == IOCTL_READ_PCI_CONFIG_BLOCK || code == IOCTL_READ_PCI_CONFIG_BLOCKS ||
         code == IOCTL_READ_PHYSICAL_GATHER || code == IOCTL_LIST_PCI_SEGMENT_FUNCTIONS) &&
        driver_.GetLastError() == ERROR_INVALID_FUNCTION) {
        return false;
    }
    Keep(RefusedAsAsked(code, record, driver_.GetLastError()));
    return false;
}

// A request that reads many things is refused as the first of them would
// have been.
RefusedRequest RefusedRequestWatch::RefusedAsAsked(uint32_t code, const DriverRequest& record,
                                                   uint32_t error) {
    RefusedRequest refused;
    refused.code = code;
    refused.configAddress = record.ConfigAddress;
    refused.segment = RequestSegment(record);
    refused.physicalAddress = static_cast<uint32_t>(record.PhysicalAddress);
    refused.length = record.TransferLength;
    refused.error = error;
    if (code == IOCTL_READ_PCI_CONFIG_BLOCKS) {
        refused.code = IOCTL_READ_PCI_CONFIG_BLOCK;
        refused.configAddress = config_mechanism::AddressOf(
            FunctionAddress::FromDevFn(record.BusNumbers[0], record.DevFns[0]));
    } else if (code == IOCTL_READ_PHYSICAL_GATHER) {
        refused.code = IOCTL_READ_PHYSICAL_MEMORY;
        refused.physicalAddress = GatherAddress(record, 0);
        refused.length = record.ConfigValue;
    }
    return refused;
}

void RefusedRequestWatch::KeepRefusedParts(uint32_t code, const DriverRequest& asked,
                                           uint32_t error) {
    if (error == ERROR_SUCCESS) return;
    const auto* data = reinterpret_cast<const uint8_t*>(static_cast<uintptr_t>(asked.UserBuffer));
    if (!data) return;
    const uint32_t count = asked.FunctionCount;
    if (code == IOCTL_READ_PCI_CONFIG_BLOCK) {
        const uint32_t size = asked.TransferLength / 5 * 4;
        if (ConfigBlockLength(size) == asked.TransferLength)
            KeepRefusedDword(asked.ConfigAddress, RequestSegment(asked), size, data, error);
    } else if (code == IOCTL_READ_PCI_CONFIG_BLOCKS && count <= kMaxBlocksFunctions &&
               asked.TransferLength == count * ConfigBlockLength(asked.ConfigValue)) {
        for (uint32_t i = 0; i < count; ++i) {
            const FunctionAddress function =
                FunctionAddress::FromDevFn(asked.BusNumbers[i], asked.DevFns[i]);
            KeepRefusedDword(config_mechanism::AddressOf(function), RequestSegment(asked),
                             asked.ConfigValue, data + i * ConfigBlockLength(asked.ConfigValue),
                             error);
        }
    } else if (code == IOCTL_READ_PHYSICAL_GATHER && count <= kMaxGatherPieces &&
               asked.TransferLength == count * (asked.ConfigValue + 1)) {
        const uint8_t* read = data + count * asked.ConfigValue;
        for (uint32_t i = 0; i < count; ++i) {
            if (read[i]) continue;
            RefusedRequest refused;
            refused.code = IOCTL_READ_PHYSICAL_MEMORY;
            refused.physicalAddress = GatherAddress(asked, i);
            refused.length = asked.ConfigValue;
            refused.error = error;
            Keep(refused);
        }
    }
}

// A block read is carried out even where dwords of it were refused; the
// first of those is the refusal, as its own dword request would have been.
void RefusedRequestWatch::KeepRefusedDword(uint32_t configAddress, uint16_t segment, uint32_t size,
                                           const uint8_t* block, uint32_t error) {
    for (uint32_t dword = 0; dword < size / 4; ++dword) {
        if (block[size + dword]) continue;
        RefusedRequest refused;
        refused.code = IOCTL_READ_PCI_CONFIG;
        refused.configAddress = configAddress + 4 * dword;
        refused.segment = segment;
        refused.error = error;
        Keep(refused);
        return;
    }
}

bool RefusedRequestWatch::CloseHandle(DeviceHandle handle) {
    return driver_.CloseHandle(handle);
}

uint32_t RefusedRequestWatch::GetLastError() {
    return driver_.GetLastError();
}
