// SPDX-License-Identifier: MIT
#pragma once

#include "hw/RequestRoute.h"

// Every request goes to the driver device as one record.
class NtRequestRoute : public RequestRoute {
  public:
    int TransferMemory(uint32_t ntCode, uint32_t vxdCode, DriverRequest* record) override;
    int ReadConfigDword(uint16_t segment, uint32_t address, uint32_t* value) override;
    int WriteConfigDword(uint16_t segment, uint32_t address, uint32_t value) override;
    // One request; a driver that does not know it is asked dword by dword.
    int ReadConfigBlock(const FunctionAddress& function, uint32_t size, uint8_t* bytes,
                        uint8_t* dwordRead) override;
    // Up to 256 functions of a segment, or 128 pieces, a request; a driver
    // that does not know these requests is asked one read at a time.
    int ReadConfigBlocks(std::span<const FunctionAddress> functions, uint32_t size,
                         uint8_t* blocks) override;
    int ReadPhysicalGather(std::span<const uint32_t> addresses, uint32_t length, uint8_t* bytes,
                           uint8_t* read) override;
    bool ListsFunctions() const override { return true; }
};
