// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "pcidef/FunctionAddress.h"

struct DriverRequest;

// How requests reach the hardware, chosen once at start-up from the version
// record, as the driver chooses its backend: through the driver on the NT
// family and every other platform; on the 9x family memory through the VxD
// and configuration dwords through the ports. Each operation returns 1 when
// carried out, else 0.
class RequestRoute {
  public:
    virtual ~RequestRoute() = default;

    // record carries the transfer; ntCode or vxdCode is sent, as the route
    // takes one or the other.
    virtual int TransferMemory(uint32_t ntCode, uint32_t vxdCode, DriverRequest* record) = 0;
    // address in configuration mechanism #1 form, of a function of segment.
    virtual int ReadConfigDword(uint16_t segment, uint32_t address, uint32_t* value) = 0;
    virtual int WriteConfigDword(uint16_t segment, uint32_t address, uint32_t value) = 0;
    // The first `size` bytes (256 or 4096) of a function's space, and for
    // each dword whether it was read (1) or refused (0, its bytes then 0),
    // as ReadConfigDword answers. This one asks dword by dword, so dwords
    // from 0x100 on, which no mechanism address names, read as refused.
    virtual int ReadConfigBlock(const FunctionAddress& function, uint32_t size, uint8_t* bytes,
                                uint8_t* dwordRead);
    // The block reads of many functions: function i's ConfigBlockLength(size)
    // bytes at blocks + i times that, its bytes and then its dwords' flags. A
    // function whose read was not carried out reads as all refused (zeros).
    // 1 when every read was carried out.
    virtual int ReadConfigBlocks(std::span<const FunctionAddress> functions, uint32_t size,
                                 uint8_t* blocks);
    // Pieces of physical memory of `length` bytes each (at most 4096): piece
    // i from addresses[i] into bytes + i * length, and read[i] 1 where a
    // memory read of it alone was carried out, 0 (its bytes 0) where not. 1
    // unless a request for some of them was not carried out at all.
    virtual int ReadPhysicalGather(std::span<const uint32_t> addresses, uint32_t length,
                                   uint8_t* bytes, uint8_t* read);
    // Whether the driver lists the functions; otherwise a scan probes every
    // address.
    virtual bool ListsFunctions() const = 0;

    // The route start-up chose; the driver's until it chooses. Tests put
    // another in place with ScopedOverride<RequestRoute>.
    static RequestRoute& Current();
    static RequestRoute& Native();
};

// The route for a family code of ClassifyWindowsVersion.
std::unique_ptr<RequestRoute> CreateRequestRoute(int windowsVersion);

// Chooses the route from the version record. Start-up calls it once, before
// the first request.
void ChooseRequestRoute();
