// SPDX-License-Identifier: MIT
#include "hw/Win9xRequestRoute.h"

#include "hw/DriverRequestSender.h"
#include "pcidef/ConfigMechanism.h"
#include "platform/PortIo.h"

namespace cm = config_mechanism;

int Win9xRequestRoute::TransferMemory(uint32_t, uint32_t vxdCode, DriverRequest* record) {
    return SendVxdRequest(vxdCode, record);
}

int Win9xRequestRoute::ReadConfigDword(uint16_t segment, uint32_t address, uint32_t* value) {
    if (segment != 0) return 0;
    PortIo& ports = PortIo::Current();
    ports.OutDword(cm::kAddressPort, address);
    *value = ports.InDword(cm::kDataPort);
    return 1;
}

int Win9xRequestRoute::WriteConfigDword(uint16_t segment, uint32_t address, uint32_t value) {
    if (segment != 0) return 0;
    PortIo& ports = PortIo::Current();
    ports.OutDword(cm::kAddressPort, address);
    ports.OutDword(cm::kDataPort, value);
    return 1;
}
