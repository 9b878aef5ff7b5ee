#pragma once

#include <cstdint>
#include <vector>

#include "pcidef/FunctionAddress.h"

// One hardware route of the driver. Every operation returns ERROR_SUCCESS or
// the platform's error code; a failure never hands back filler data.
class DriverBackend {
  public:
    virtual ~DriverBackend() = default;

    // Every function present, in the route's own order.
    virtual uint32_t ListFunctions(std::vector<FunctionAddress>* functions) = 0;
    // offset is a dword-aligned register offset below 0x100. An absent
    // function reads 0xFFFFFFFF.
    virtual uint32_t ReadConfigDword(FunctionAddress function, uint32_t offset,
                                     uint32_t* value) = 0;
    virtual uint32_t WriteConfigDword(FunctionAddress function, uint32_t offset,
                                      uint32_t value) = 0;
    // address + length never passes 4 GiB (the request handler checks).
    virtual uint32_t ReadPhysical(uint32_t address, uint8_t* buffer, uint32_t length) = 0;
    virtual uint32_t WritePhysical(uint32_t address, const uint8_t* buffer, uint32_t length) = 0;
};
