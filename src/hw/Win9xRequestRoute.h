// SPDX-License-Identifier: MIT
#pragma once

#include "hw/RequestRoute.h"

// Memory through the VxD, configuration dwords through the ports 0xCF8 and
// 0xCFC, which always answer for segment 0 and reach no other.
class Win9xRequestRoute : public RequestRoute {
  public:
    int TransferMemory(uint32_t ntCode, uint32_t vxdCode, DriverRequest* record) override;
    int ReadConfigDword(uint16_t segment, uint32_t address, uint32_t* value) override;
    int WriteConfigDword(uint16_t segment, uint32_t address, uint32_t value) override;
    bool ListsFunctions() const override { return false; }
};
