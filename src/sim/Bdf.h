#pragma once

#include <cstdint>
#include <string>

// Bus, device and function of one PCI function (segment 0).
struct Bdf {
    uint8_t bus = 0;
    uint8_t device = 0;    // 0-31
    uint8_t function = 0;  // 0-7

    uint16_t Key() const { return static_cast<uint16_t>(bus << 8 | device << 3 | function); }
    uint8_t DevFn() const { return static_cast<uint8_t>(device << 3 | function); }
    bool operator==(const Bdf&) const = default;

    // The function a configuration mechanism #1 address names.
    static Bdf FromConfigAddress(uint32_t address) {
        return {static_cast<uint8_t>(address >> 16), static_cast<uint8_t>((address >> 11) & 0x1F),
                static_cast<uint8_t>((address >> 8) & 7)};
    }
    // The function at this offset into a memory-mapped configuration window.
    static Bdf FromWindowOffset(uint64_t offset) {
        return {static_cast<uint8_t>(offset >> 20), static_cast<uint8_t>((offset >> 15) & 0x1F),
                static_cast<uint8_t>((offset >> 12) & 7)};
    }

    // "BB:DD.F", lower-case hex as lspci prints it.
    std::string ToString() const;
};
