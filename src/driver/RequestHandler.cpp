// SPDX-License-Identifier: MIT
#include "driver/RequestHandler.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "pcidef/ConfigMechanism.h"
#include "pcidef/ConfigRegisters.h"
#include "protocol/ErrorCodes.h"

bool RequestHandler::IsVxdCode(uint32_t code) {
    return code == VXD_READ_PHYSICAL_MEMORY || code == VXD_WRITE_PHYSICAL_MEMORY;
}

bool RequestHandler::IsKnownCode(uint32_t code) {
    switch (code) {
        case IOCTL_READ_PHYSICAL_MEMORY:
        case IOCTL_WRITE_PHYSICAL_MEMORY:
        case IOCTL_LIST_PCI_FUNCTIONS:
        case IOCTL_READ_PCI_CONFIG:
        case IOCTL_WRITE_PCI_CONFIG:
        case IOCTL_READ_PCI_CONFIG_BLOCK:
        case IOCTL_READ_PCI_CONFIG_BLOCKS:
        case IOCTL_READ_PHYSICAL_GATHER:
        case IOCTL_LIST_PCI_SEGMENT_FUNCTIONS:
            return true;
        default:
            return IsVxdCode(code);
    }
}

// The driver codes carry the record in both buffers, the VxD codes in the
// output buffer only, as the callers send them.
uint32_t RequestHandler::TakeRecord(const DriverCall& call, DriverRequest* record) {
    if (!call.out || call.outSize != sizeof(DriverRequest)) return ERROR_INVALID_PARAMETER;
    if (IsVxdCode(call.code)) {
        if (call.inSize != 0) return ERROR_INVALID_PARAMETER;
        std::memcpy(record, call.out, sizeof(DriverRequest));
    } else {
        if (!call.in || call.inSize != sizeof(DriverRequest)) return ERROR_INVALID_PARAMETER;
        std::memcpy(record, call.in, sizeof(DriverRequest));
    }
    return ERROR_SUCCESS;
}

uint32_t RequestHandler::Handle(const DriverCall& call, const UserMemory& userMemory,
                                const DriverBackend::PhysicalPieces* readPieces) {
    if (!IsKnownCode(call.code)) return ERROR_INVALID_FUNCTION;
    DriverRequest record;
    uint32_t status = TakeRecord(call, &record);
    if (status != ERROR_SUCCESS) return status;
    std::lock_guard<std::mutex> one(serving_);
    switch (call.code) {
        case IOCTL_READ_PHYSICAL_MEMORY:
        case VXD_READ_PHYSICAL_MEMORY:
            status = TransferMemory(false, record, userMemory, readPieces);
            break;
        case IOCTL_WRITE_PHYSICAL_MEMORY:
        case VXD_WRITE_PHYSICAL_MEMORY:
            status = TransferMemory(true, record, userMemory, readPieces);
            break;
        case IOCTL_LIST_PCI_FUNCTIONS:
            status = ListFunctions(&record);
            break;
        case IOCTL_READ_PCI_CONFIG_BLOCK:
            status = ReadConfigBlock(&record, userMemory);
            break;
        case IOCTL_READ_PCI_CONFIG_BLOCKS:
            status = ReadConfigBlocks(&record, userMemory);
            break;
        case IOCTL_READ_PHYSICAL_GATHER:
            status = ReadPhysicalGather(&record, userMemory);
            break;
        case IOCTL_LIST_PCI_SEGMENT_FUNCTIONS:
            status = ListSegmentFunctions(&record, userMemory);
            break;
        default:
            status = AccessConfig(call.code == IOCTL_WRITE_PCI_CONFIG, &record);
            break;
    }
    if (status == ERROR_SUCCESS) std::memcpy(call.out, &record, sizeof(record));
    return status;
}

uint32_t RequestHandler::TransferMemory(bool write, const DriverRequest& record,
                                        const UserMemory& userMemory,
                                        const DriverBackend::PhysicalPieces* readPieces) {
    uint32_t length = record.TransferLength;
    if (length == 0 || length > kMaxTransferLength) return ERROR_INVALID_PARAMETER;
    // The program's addresses are 32-bit; the upper half is only their sign.
    uint32_t address = static_cast<uint32_t>(record.PhysicalAddress);
    if (uint64_t{address} + length > (uint64_t{1} << 32)) return ERROR_INVALID_PARAMETER;
    if (readPieces) {
        return write ? ERROR_INVALID_PARAMETER
                     : backend_.ReadPhysicalPieces(address, length, *readPieces);
    }
    uint8_t* user = userMemory ? userMemory(record.UserBuffer, length) : nullptr;
    if (!user) return ERROR_INVALID_PARAMETER;
    return write ? backend_.WritePhysical(address, user, length)
                 : backend_.ReadPhysical(address, user, length);
}

uint32_t RequestHandler::ListFunctions(DriverRequest* record) {
    std::vector<FunctionAddress> functions;
    uint32_t status = backend_.ListFunctions(&functions);
    if (status != ERROR_SUCCESS) return status;
    std::memset(record->BusNumbers, 0, sizeof(record->BusNumbers));
    std::memset(record->DevFns, 0, sizeof(record->DevFns));
    // The record has no room for a segment: it lists those of segment 0.
    size_t count = 0;
    for (const FunctionAddress& function : functions) {
        if (function.segment != 0) continue;
        if (count == sizeof(record->BusNumbers)) break;
        record->BusNumbers[count] = function.bus;
        record->DevFns[count] = function.DevFn();
        ++count;
    }
    record->FunctionCount = static_cast<uint32_t>(count);
    return ERROR_SUCCESS;
}

uint32_t RequestHandler::ListSegmentFunctions(DriverRequest* record, const UserMemory& userMemory) {
    const uint32_t length = record->TransferLength;
    if (length == 0 || length > kMaxTransferLength || length % kListedFunctionSize != 0)
        return ERROR_INVALID_PARAMETER;
    uint8_t* user = userMemory ? userMemory(record->UserBuffer, length) : nullptr;
    if (!user) return ERROR_INVALID_PARAMETER;
    std::vector<FunctionAddress> functions;
    const uint32_t status = backend_.ListFunctions(&functions);
    if (status != ERROR_SUCCESS) return status;
    std::memset(user, 0, length);
    const size_t fits = std::min<size_t>(functions.size(), length / kListedFunctionSize);
    for (size_t i = 0; i < fits; ++i) {
        const ListedFunction entry{functions[i].segment, functions[i].bus, functions[i].DevFn()};
        std::memcpy(user + i * kListedFunctionSize, &entry, sizeof(entry));
    }
    record->FunctionCount = static_cast<uint32_t>(functions.size());
    return ERROR_SUCCESS;
}

namespace {

bool IsBlockSize(uint32_t size) {
    return size == pcireg::kConfigSize || size == pcireg::kExtendedConfigSize;
}

}  // namespace

uint32_t RequestHandler::ReadConfigBlock(DriverRequest* record, const UserMemory& userMemory) {
    namespace cm = config_mechanism;
    const uint32_t address = record->ConfigAddress;
    if (!cm::Enabled(address) || cm::RegisterOf(address) != 0) return ERROR_INVALID_PARAMETER;
    uint32_t size = 0;
    for (uint32_t candidate : {pcireg::kConfigSize, pcireg::kExtendedConfigSize}) {
        if (record->TransferLength == ConfigBlockLength(candidate)) size = candidate;
    }
    if (!IsBlockSize(size)) return ERROR_INVALID_PARAMETER;
    uint8_t* user = userMemory ? userMemory(record->UserBuffer, record->TransferLength) : nullptr;
    if (!user) return ERROR_INVALID_PARAMETER;
    FunctionAddress function = cm::FunctionOf(address);
    function.segment = RequestSegment(*record);
    record->ConfigValue = backend_.ReadConfigBlock(function, size, user, user + size);
    return ERROR_SUCCESS;
}

uint32_t RequestHandler::ReadConfigBlocks(DriverRequest* record, const UserMemory& userMemory) {
    const uint32_t count = record->FunctionCount;
    const uint32_t size = record->ConfigValue;
    if (count == 0 || count > kMaxBlocksFunctions || !IsBlockSize(size) ||
        record->TransferLength != count * ConfigBlockLength(size))
        return ERROR_INVALID_PARAMETER;
    uint8_t* user = userMemory ? userMemory(record->UserBuffer, record->TransferLength) : nullptr;
    if (!user) return ERROR_INVALID_PARAMETER;
    uint32_t firstError = ERROR_SUCCESS;
    for (uint32_t i = 0; i < count; ++i) {
        const FunctionAddress function = FunctionAddress::FromDevFn(
            record->BusNumbers[i], record->DevFns[i], RequestSegment(*record));
        uint8_t* block = user + i * ConfigBlockLength(size);
        const uint32_t error = backend_.ReadConfigBlock(function, size, block, block + size);
        if (firstError == ERROR_SUCCESS) firstError = error;
    }
    record->ConfigValue = firstError;
    return ERROR_SUCCESS;
}

uint32_t RequestHandler::ReadPhysicalGather(DriverRequest* record, const UserMemory& userMemory) {
    const uint32_t count = record->FunctionCount;
    const uint32_t length = record->ConfigValue;
    if (count == 0 || count > kMaxGatherPieces || length == 0 || length > kMaxGatherPieceLength ||
        record->TransferLength != count * (length + 1))
        return ERROR_INVALID_PARAMETER;
    for (uint32_t i = 0; i < count; ++i) {
        if (uint64_t{GatherAddress(*record, i)} + length > (uint64_t{1} << 32))
            return ERROR_INVALID_PARAMETER;
    }
    uint8_t* user = userMemory ? userMemory(record->UserBuffer, record->TransferLength) : nullptr;
    if (!user) return ERROR_INVALID_PARAMETER;
    uint8_t* read = user + count * length;
    uint32_t firstError = ERROR_SUCCESS;
    for (uint32_t i = 0; i < count; ++i) {
        uint8_t* piece = user + i * length;
        const uint32_t error = backend_.ReadPhysical(GatherAddress(*record, i), piece, length);
        // A failed read may have filled part of the piece.
        if (error != ERROR_SUCCESS) std::memset(piece, 0, length);
        read[i] = error == ERROR_SUCCESS ? 1 : 0;
        if (firstError == ERROR_SUCCESS) firstError = error;
    }
    record->ConfigValue = firstError;
    return ERROR_SUCCESS;
}

uint32_t RequestHandler::AccessConfig(bool write, DriverRequest* record) {
    namespace cm = config_mechanism;
    uint32_t address = record->ConfigAddress;
    if (!cm::Enabled(address)) return ERROR_INVALID_PARAMETER;
    FunctionAddress function = cm::FunctionOf(address);
    function.segment = RequestSegment(*record);
    uint32_t offset = cm::RegisterOf(address);
    if (write) return backend_.WriteConfigDword(function, offset, record->ConfigValue);
    uint32_t value = 0;
    uint32_t status = backend_.ReadConfigDword(function, offset, &value);
    if (status == ERROR_SUCCESS) record->ConfigValue = value;
    return status;
}
