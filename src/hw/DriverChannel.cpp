#include "hw/DriverChannel.h"

#include <algorithm>
#include <cstring>

#include "hw/DriverRequestSender.h"
#include "hw/RequestRoute.h"
#include "pcidef/ConfigRegisters.h"
#include "protocol/DriverRequest.h"

namespace {

// A zeroed record, so nothing uninitialised goes to the driver.
int TransferMemory(uint32_t ntCode, uint32_t vxdCode, uint32_t address, const void* buffer,
                   uint32_t length) {
    if (length > kMaxTransferLength || (length > 0 && !buffer)) return 0;
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
    if (!value) return 0;
    return RequestRoute::Current().ReadConfigDword(address, value);
}

int WritePciConfigDword(uint32_t address, uint32_t* value) {
    if (!value) return 0;
    return RequestRoute::Current().WriteConfigDword(address, *value);
}

int ReadPciConfigBlock(const FunctionAddress& function, uint32_t size, uint8_t* bytes,
                       uint8_t* dwordRead) {
    if (!bytes || !dwordRead ||
        (size != pcireg::kConfigSize && size != pcireg::kExtendedConfigSize))
        return 0;
    return RequestRoute::Current().ReadConfigBlock(function, size, bytes, dwordRead);
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
