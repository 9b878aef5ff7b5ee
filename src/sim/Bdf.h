#pragma once

#include <cstdint>
#include <string>

// Bus, device and function of one PCI function (segment 0).
struct Bdf {
    uint8_t bus = 0;
    uint8_t device = 0;   // 0-31
    uint8_t function = 0; // 0-7

    uint16_t Key() const { return static_cast<uint16_t>(bus << 8 | device << 3 | function); }
    uint8_t DevFn() const { return static_cast<uint8_t>(device << 3 | function); }
    bool operator==(const Bdf&) const = default;

    // "BB:DD.F", lower-case hex as lspci prints it.
    std::string ToString() const;
};
