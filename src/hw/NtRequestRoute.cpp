// SPDX-License-Identifier: MIT
#include "hw/NtRequestRoute.h"

#include <cstring>
#include <vector>

#include "hw/DriverRequestSender.h"
#include "pcidef/ConfigMechanism.h"
#include "platform/DeviceIo.h"
#include "protocol/DriverRequest.h"
#include "protocol/ErrorCodes.h"

int NtRequestRoute::TransferMemory(uint32_t ntCode, uint32_t, DriverRequest* record) {
    return SendDriverRequest(ntCode, record);
}

int NtRequestRoute::ReadConfigDword(uint16_t segment, uint32_t address, uint32_t* value) {
    DriverRequest record{};
    record.ConfigAddress = address;
    SetRequestSegment(&record, segment);
    if (!SendDriverRequest(IOCTL_READ_PCI_CONFIG, &record)) return 0;
    *value = record.ConfigValue;
    return 1;
}

int NtRequestRoute::WriteConfigDword(uint16_t segment, uint32_t address, uint32_t value) {
    DriverRequest record{};
    record.ConfigAddress = address;
    SetRequestSegment(&record, segment);
    record.ConfigValue = value;
    return SendDriverRequest(IOCTL_WRITE_PCI_CONFIG, &record);
}

int NtRequestRoute::ReadConfigBlock(const FunctionAddress& function, uint32_t size, uint8_t* bytes,
                                    uint8_t* dwordRead) {
    // Both parts in one buffer, copied out only when the request was done.
    std::vector<uint8_t> block(ConfigBlockLength(size));
    DriverRequest record{};
    record.ConfigAddress = config_mechanism::AddressOf(function);
    SetRequestSegment(&record, function.segment);
    record.TransferLength = static_cast<uint32_t>(block.size());
    record.UserBuffer = reinterpret_cast<uintptr_t>(block.data());
    if (!SendDriverRequest(IOCTL_READ_PCI_CONFIG_BLOCK, &record)) {
        // A driver older than the block read refuses its code.
        if (DeviceIo::Current().GetLastError() != ERROR_INVALID_FUNCTION) return 0;
        return RequestRoute::ReadConfigBlock(function, size, bytes, dwordRead);
    }
    std::memcpy(bytes, block.data(), size);
    std::memcpy(dwordRead, block.data() + size, size / 4);
    return 1;
}
