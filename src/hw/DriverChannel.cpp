#include "hw/DriverChannel.h"

#include <algorithm>
#include <cstring>

#include "hw/DriverRequestSender.h"
#include "hw/SystemFunctions.h"
#include "pcidef/ConfigMechanism.h"
#include "platform/PortIo.h"
#include "protocol/DriverRequest.h"

namespace {

namespace cm = config_mechanism;

bool OnWin9xRoute() { return IsWin9xFamily(ClassifyWindowsVersion()); }

// A zeroed record, so nothing uninitialised goes to the driver.
int TransferMemory(uint32_t ntCode, uint32_t vxdCode, uint32_t address, const void* buffer,
                   uint32_t length) {
    if (length > kMaxTransferLength || (length > 0 && !buffer)) return 0;
    DriverRequest record{};
    record.TransferLength = length;
    record.PhysicalAddress = SignExtendAddress(address);
    record.UserBuffer = reinterpret_cast<uintptr_t>(buffer);
    if (OnWin9xRoute()) return SendVxdRequest(vxdCode, &record);
    return SendDriverRequest(ntCode, &record);
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
    if (OnWin9xRoute()) {
        PortIo& ports = PortIo::Current();
        ports.OutDword(cm::kAddressPort, address);
        *value = ports.InDword(cm::kDataPort);
        return 1;
    }
    DriverRequest record{};
    record.ConfigAddress = address;
    if (!SendDriverRequest(IOCTL_READ_PCI_CONFIG, &record)) return 0;
    *value = record.ConfigValue;
    return 1;
}

int WritePciConfigDword(uint32_t address, uint32_t* value) {
    if (!value) return 0;
    if (OnWin9xRoute()) {
        PortIo& ports = PortIo::Current();
        ports.OutDword(cm::kAddressPort, address);
        ports.OutDword(cm::kDataPort, *value);
        return 1;
    }
    DriverRequest record{};
    record.ConfigAddress = address;
    record.ConfigValue = *value;
    return SendDriverRequest(IOCTL_WRITE_PCI_CONFIG, &record);
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
