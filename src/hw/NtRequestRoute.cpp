// SPDX-License-Identifier: MIT
#include "hw/NtRequestRoute.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "hw/DriverRequestSender.h"
#include "pcidef/ConfigMechanism.h"
#include "platform/DeviceIo.h"
#include "platform/route/SharedTransferBuffer.h"
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

namespace {

// The functions from the first on that one blocks read takes: of its segment,
// at most as many as the record names.
size_t BlocksRequestCount(std::span<const FunctionAddress> functions) {
    size_t count = 1;
    while (count < functions.size() && count < kMaxBlocksFunctions &&
           functions[count].segment == functions[0].segment)
        ++count;
    return count;
}

}  // namespace

int NtRequestRoute::ReadConfigBlocks(std::span<const FunctionAddress> functions, uint32_t size,
                                     uint8_t* blocks) {
    int all = 1;
    while (!functions.empty()) {
        const size_t count = BlocksRequestCount(functions);
        DriverRequest record{};
        SetRequestSegment(&record, functions[0].segment);
        for (size_t i = 0; i < count; ++i) {
            record.BusNumbers[i] = functions[i].bus;
            record.DevFns[i] = functions[i].DevFn();
        }
        record.FunctionCount = static_cast<uint32_t>(count);
        record.ConfigValue = size;
        record.TransferLength = static_cast<uint32_t>(count) * ConfigBlockLength(size);
        record.UserBuffer = reinterpret_cast<uintptr_t>(blocks);
        if (!SendDriverRequest(IOCTL_READ_PCI_CONFIG_BLOCKS, &record)) {
            if (DeviceIo::Current().GetLastError() == ERROR_INVALID_FUNCTION)
                return RequestRoute::ReadConfigBlocks(functions, size, blocks) && all;
            std::memset(blocks, 0, record.TransferLength);
            all = 0;
        }
        functions = functions.subspan(count);
        blocks += record.TransferLength;
    }
    return all;
}

int NtRequestRoute::ReadPhysicalGather(std::span<const uint32_t> addresses, uint32_t length,
                                       uint8_t* bytes, uint8_t* read) {
    if (length == 0 || length > kMaxGatherPieceLength) return 0;
    // Memory the driver writes directly, for every request in turn.
    SharedTransferBuffer reply(std::min<size_t>(addresses.size(), kMaxGatherPieces) * (length + 1));
    if (reply.Size() < std::min<size_t>(addresses.size(), kMaxGatherPieces) * (length + 1))
        throw std::bad_alloc();
    int all = 1;
    while (!addresses.empty()) {
        const size_t count = std::min<size_t>(addresses.size(), kMaxGatherPieces);
        DriverRequest record{};
        for (size_t i = 0; i < count; ++i)
            SetGatherAddress(&record, static_cast<uint32_t>(i), addresses[i]);
        record.FunctionCount = static_cast<uint32_t>(count);
        record.ConfigValue = length;
        record.TransferLength = static_cast<uint32_t>(count) * (length + 1);
        record.UserBuffer = reinterpret_cast<uintptr_t>(reply.Data());
        if (!SendDriverRequest(IOCTL_READ_PHYSICAL_GATHER, &record)) {
            if (DeviceIo::Current().GetLastError() == ERROR_INVALID_FUNCTION)
                return RequestRoute::ReadPhysicalGather(addresses, length, bytes, read);
            // Not carried out: every piece as refused.
            std::memset(reply.Data(), 0, record.TransferLength);
            all = 0;
        }
        std::memcpy(bytes, reply.Data(), count * length);
        std::memcpy(read, reply.Data() + count * length, count);
        addresses = addresses.subspan(count);
        bytes += count * length;
        read += count;
    }
    return all;
}
