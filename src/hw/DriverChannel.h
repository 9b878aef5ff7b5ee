// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "pcidef/FunctionAddress.h"

// The request operations, along the route start-up chose (RequestRoute).
// Each opens the driver device (or, on the 9x route, the VxD or the ports),
// carries out one request and closes it again; on any failure the caller's
// outputs keep their previous values.
int ReadPhysicalMemory(uint32_t address, void* buffer, uint32_t length);
int WritePhysicalMemory(uint32_t address, const void* buffer, uint32_t length);
int ReadPciConfigDword(uint32_t address, uint32_t* value);
int WritePciConfigDword(uint32_t address, uint32_t* value);
// The same for a function of another segment (the two above: segment 0).
int ReadPciConfigDword(uint16_t segment, uint32_t address, uint32_t* value);
int WritePciConfigDword(uint16_t segment, uint32_t address, uint32_t* value);

// One function's configuration space in one request: `size` bytes (256 or
// 4096) into bytes, and for each dword 1 in dwordRead where ReadPciConfigDword
// would have read it, 0 where it would have failed. 1 when the request was
// carried out; 0 with both buffers untouched when it was not.
int ReadPciConfigBlock(const FunctionAddress& function, uint32_t size, uint8_t* bytes,
                       uint8_t* dwordRead);

// Many functions' block reads in few requests: function i's
// ConfigBlockLength(size) bytes at blocks + i times that, its bytes and then
// its dwords' flags, as ReadPciConfigBlock answers them; a function whose read
// was not carried out reads as all refused. 1 when every read was carried out.
int ReadPciConfigBlocks(std::span<const FunctionAddress> functions, uint32_t size,
                        uint8_t* blocks);

// Pieces of physical memory of `length` bytes each (1 to 4096) in few
// requests: piece i from addresses[i] into bytes + i * length, read[i] 1
// where ReadPhysicalMemory of it alone would have been carried out, else 0
// (its bytes 0). 0 when some request was not carried out at all.
int ReadPhysicalGather(std::span<const uint32_t> addresses, uint32_t length, uint8_t* bytes,
                       uint8_t* read);

struct PciFunctionList {
    uint32_t count = 0;  // at most 256
    uint8_t busNumbers[256] = {};
    uint8_t devFns[256] = {};
};
// Driver route only. 1 with the list filled, 0 when the device cannot be
// opened or the request fails (list untouched).
int ListPciFunctions(PciFunctionList* list);

// Driver route only: every function of every segment, in the driver's
// order, without the limit of 256. 1 with *functions filled; 0 (untouched)
// when the driver cannot be reached or refuses. A driver older than this
// request is asked with ListPciFunctions instead.
int ListPciSegmentFunctions(std::vector<FunctionAddress>* functions);
