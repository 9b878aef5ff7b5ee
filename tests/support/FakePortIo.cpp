#include "support/FakePortIo.h"

void FakePortIo::OutDword(uint16_t port, uint32_t value) {
    accesses.emplace_back(port, value);
    if (port == 0xCF8) address_ = value;
    if (port == 0xCFC) dwords[address_] = value;
}

uint32_t FakePortIo::InDword(uint16_t port) {
    uint32_t value = 0xFFFFFFFFu;
    if (port == 0xCFC) {
        auto it = dwords.find(address_);
        if (it != dwords.end()) value = it->second;
    }
    accesses.emplace_back(port, value);
    return value;
}
