// SPDX-License-Identifier: MIT
#include "hw/DriverChannel.h"

#include <algorithm>
#include <cstring>

#include "hw/DriverRequestSender.h"
#include "hw/RequestRoute.h"
#include "pcidef/ConfigRegisters.h"
#include "platform/DeviceIo.h"
#include "platform/route/SharedTransferBuffer.h"
#include "protocol/DriverRequest.h"
#include "protocol/ErrorCodes.h"

namespace {

// A read into a window onto a file may be longer where the driver writes
// the file itself.
uint32_t LargestTransfer(uint32_t ntCode, const void* buffer, uint32_t length) {
    SharedTransferBuffer::Location where{};
    if (ntCode == IOCTL_READ_PHYSICAL_MEMORY && length > kMaxTransferLength &&
        SharedTransferBuffer::Locate(buffer, length, &where) && where.file)
        return DeviceIo::Current().LargestFileRead();
    return kMaxTransferLength;
}

// A zeroed record, so nothing uninitialised goes to the driver.
int TransferMemory(uint32_t ntCode, uint32_t vxdCode, uint32_t address, const void* buffer,
                   uint32_t length) {
    if ((length > 0 && !buffer) || length > LargestTransfer(ntCode, buffer, length)) return 0;
    DriverRequest record{};
    record.TransferLength = length;
    record.PhysicalAddress = SignExtendAddress(address);
    record.UserBuffer = reinterpret_cast<uintptr_t>(buffer);
    return RequestRoute::Current().TransferMemory(ntCode, vxdCode, &record);
}

}  // namespace

int ReadPhysicalMemory(uint32_t address, void* buffer, uint32_t length) {
    return TransferMemory(IOCTL_READ_PHYSICAL_MEMORY, VXD_READ_PHYSICAL_MEMORY, address, buffer,
                          length);
}

int WritePhysicalMemory(uint32_t address, const void* buffer, uint32_t length) {
    return TransferMemory(IOCTL_WRITE_PHYSICAL_MEMORY, VXD_WRITE_PHYSICAL_MEMORY, address, buffer,
                          length);
}

int ReadPciConfigDword(uint32_t address, uint32_t* value) {
    return ReadPciConfigDword(0, address, value);
}

int WritePciConfigDword(uint32_t address, uint32_t* value) {
    return WritePciConfigDword(0, address, value);
}

int ReadPciConfigDword(uint16_t segment, uint32_t address, uint32_t* value) {
    if (!value) return 0;
    return RequestRoute::Current().ReadConfigDword(segment, address, value);
}

int WritePciConfigDword(uint16_t segment, uint32_t address, uint32_t* value) {
    if (!value) return 0;
    return RequestRoute::Current().WriteConfigDword(segment, address, *value);
}

int ReadPciConfigBlock(const FunctionAddress& function, uint32_t size, uint8_t* bytes,
                       uint8_t* dwordRead) {
    if (!bytes || !dwordRead ||
        (size != pcireg::kConfigSize && size != pcireg::kExtendedConfigSize))
        return 0;
    return RequestRoute::Current().ReadConfigBlock(function, size, bytes, dwordRead);
}

int ReadPciConfigBlocks(std::span<const FunctionAddress> functions, uint32_t size,
                        uint8_t* blocks) {
    if ((!blocks && !functions.empty()) ||
        (size != pcireg::kConfigSize && size != pcireg::kExtendedConfigSize))
        return 0;
    return RequestRoute::Current().ReadConfigBlocks(functions, size, blocks);
}

int ReadPhysicalGather(std::span<const uint32_t> addresses, uint32_t length, uint8_t* bytes,
                       uint8_t* read) {
    if ((!addresses.empty() && (!bytes || !read)) || length == 0 ||
        length > kMaxGatherPieceLength)
        return 0;
    return RequestRoute::Current().ReadPhysicalGather(addresses, length, bytes, read);
}

int ListPciFunctions(PciFunctionList* list) {
    if (!list) return 0;
    DriverRequest record{};
    if (!SendDriverRequest(IOCTL_LIST_PCI_FUNCTIONS, &record)) return 0;
    // A count beyond the lists' size would send callers past their end.
    list->count = std::min<uint32_t>(record.FunctionCount, sizeof(record.BusNumbers));
    std::memcpy(list->busNumbers, record.BusNumbers, sizeof(list->busNumbers));
    std::memcpy(list->devFns, record.DevFns, sizeof(list->devFns));
    return 1;
}

namespace {

// A first answer large enough for any workstation; a server with more asks
// once more with the count the driver gave.
constexpr uint32_t kFirstListEntries = 1024;
constexpr uint32_t kMostListEntries = kMaxTransferLength / kListedFunctionSize;

// 1 with the functions listed; *count is how many the driver has.
int AskSegmentList(uint32_t entries, std::vector<FunctionAddress>* functions, uint32_t* count) {
    std::vector<ListedFunction> listed(entries);
    DriverRequest record{};
    record.TransferLength = entries * kListedFunctionSize;
    record.UserBuffer = reinterpret_cast<uintptr_t>(listed.data());
    if (!SendDriverRequest(IOCTL_LIST_PCI_SEGMENT_FUNCTIONS, &record)) return 0;
    *count = record.FunctionCount;
    listed.resize(std::min(entries, record.FunctionCount));
    functions->clear();
    for (const ListedFunction& entry : listed)
        functions->push_back(FunctionAddress::FromDevFn(entry.bus, entry.devFn, entry.segment));
    return 1;
}

// The list request's functions, all of segment 0.
int AskSegmentZeroList(std::vector<FunctionAddress>* functions) {
    PciFunctionList list;
    if (!ListPciFunctions(&list)) return 0;
    functions->clear();
    for (uint32_t i = 0; i < list.count; ++i)
        functions->push_back(FunctionAddress::FromDevFn(list.busNumbers[i], list.devFns[i]));
    return 1;
}

}  // namespace

int ListPciSegmentFunctions(std::vector<FunctionAddress>* functions) {
    if (!functions) return 0;
    std::vector<FunctionAddress> listed;
    uint32_t count = 0;
    uint32_t entries = kFirstListEntries;
    // Functions may come and go between two answers: a few more tries.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (!AskSegmentList(entries, &listed, &count)) {
            if (DeviceIo::Current().GetLastError() != ERROR_INVALID_FUNCTION) return 0;
            return AskSegmentZeroList(functions);
        }
        if (count <= entries || entries == kMostListEntries) break;
        entries = std::min(count, kMostListEntries);
    }
    *functions = std::move(listed);
    return 1;
}
