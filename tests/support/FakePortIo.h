#pragma once

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "platform/PortIo.h"

// Configuration mechanism #1 over a map of dwords: 0xCF8 latches the
// address, 0xCFC reads or writes the dword there (0xFFFFFFFF when absent).
// Install with ScopedOverride<PortIo>.
class FakePortIo : public PortIo {
public:
    std::map<uint32_t, uint32_t> dwords;
    // Every port access in order: (port, value written or read).
    std::vector<std::pair<uint16_t, uint32_t>> accesses;

    void OutDword(uint16_t port, uint32_t value) override;
    uint32_t InDword(uint16_t port) override;

private:
    uint32_t address_ = 0;
};
