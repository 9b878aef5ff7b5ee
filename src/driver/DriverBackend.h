// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "pcidef/FunctionAddress.h"

// One hardware route of the driver. Every operation returns ERROR_SUCCESS or
// the platform's error code; a failure never hands back filler data.
class DriverBackend {
  public:
    virtual ~DriverBackend() = default;

    // Every function present, in the route's own order.
    virtual uint32_t ListFunctions(std::vector<FunctionAddress>* functions) = 0;
    // offset is a dword-aligned register offset below 0x1000. An absent
    // function reads 0xFFFFFFFF.
    virtual uint32_t ReadConfigDword(FunctionAddress function, uint32_t offset,
                                     uint32_t* value) = 0;
    virtual uint32_t WriteConfigDword(FunctionAddress function, uint32_t offset,
                                      uint32_t value) = 0;
    // The first `size` bytes (256 or 4096) of a function's space into bytes,
    // and for each dword 1 in dwordRead where ReadConfigDword would have read
    // it, else 0 (its bytes then 0). Returns the error of the first dword
    // refused, ERROR_SUCCESS when none was. This one asks dword by dword; a
    // backend may read at once where every answer stays the same.
    virtual uint32_t ReadConfigBlock(FunctionAddress function, uint32_t size, uint8_t* bytes,
                                     uint8_t* dwordRead);
    // address + length never passes 4 GiB (the request handler checks).
    virtual uint32_t ReadPhysical(uint32_t address, uint8_t* buffer, uint32_t length) = 0;
    virtual uint32_t WritePhysical(uint32_t address, const uint8_t* buffer, uint32_t length) = 0;

    // Takes the bytes of a read in order, piece by piece: ERROR_SUCCESS, or
    // the status that stops the read.
    using PhysicalPieces = std::function<uint32_t(const uint8_t* bytes, uint64_t count)>;
    // The bytes ReadPhysical gives, handed to `take` where they lie; a route
    // that must read them into a buffer first passes that buffer (this
    // default).
    virtual uint32_t ReadPhysicalPieces(uint32_t address, uint32_t length,
                                        const PhysicalPieces& take);

  protected:
    // ReadConfigBlock's dwords from offset `first` up to `size`, one by one.
    uint32_t ReadConfigDwords(FunctionAddress function, uint32_t first, uint32_t size,
                              uint8_t* bytes, uint8_t* dwordRead);

  private:
    std::vector<uint8_t> pieceBuffer_;
};
