// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

// 32-bit port I/O, used for configuration mechanism #1 on the 9x route.
class PortIo {
public:
    virtual ~PortIo() = default;
    virtual void OutDword(uint16_t port, uint32_t value) = 0;
    virtual uint32_t InDword(uint16_t port) = 0;

    static PortIo& Native();
    static PortIo& Current();
};
