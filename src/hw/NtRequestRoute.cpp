#include "hw/NtRequestRoute.h"

#include "hw/DriverRequestSender.h"
#include "protocol/DriverRequest.h"

int NtRequestRoute::TransferMemory(uint32_t ntCode, uint32_t, DriverRequest* record) {
    return SendDriverRequest(ntCode, record);
}

int NtRequestRoute::ReadConfigDword(uint32_t address, uint32_t* value) {
    DriverRequest record{};
    record.ConfigAddress = address;
    if (!SendDriverRequest(IOCTL_READ_PCI_CONFIG, &record)) return 0;
    *value = record.ConfigValue;
    return 1;
}

int NtRequestRoute::WriteConfigDword(uint32_t address, uint32_t value) {
    DriverRequest record{};
    record.ConfigAddress = address;
    record.ConfigValue = value;
    return SendDriverRequest(IOCTL_WRITE_PCI_CONFIG, &record);
}
