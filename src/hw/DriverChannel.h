#pragma once

#include <cstdint>

// The request operations, along the route start-up chose (RequestRoute).
// Each opens the driver device (or, on the 9x route, the VxD or the ports),
// carries out one request and closes it again; on any failure the caller's
// outputs keep their previous values.
int ReadPhysicalMemory(uint32_t address, void* buffer, uint32_t length);
int WritePhysicalMemory(uint32_t address, const void* buffer, uint32_t length);
int ReadPciConfigDword(uint32_t address, uint32_t* value);
int WritePciConfigDword(uint32_t address, uint32_t* value);

struct PciFunctionList {
    uint32_t count = 0;  // at most 256
    uint8_t busNumbers[256] = {};
    uint8_t devFns[256] = {};
};
// Driver route only. 1 with the list filled, 0 when the device cannot be
// opened or the request fails (list untouched).
int ListPciFunctions(PciFunctionList* list);
