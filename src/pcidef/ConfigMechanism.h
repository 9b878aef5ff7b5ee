// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "pcidef/FunctionAddress.h"

// Configuration mechanism #1: a dword address written to port 0xCF8 names a
// function's register, and port 0xCFC reads or writes that register while
// the address has its enable bit. Segment 0 only; the two low bits of the
// register are ignored, as the hardware ignores them.
namespace config_mechanism {

inline constexpr uint16_t kAddressPort = 0xCF8;
inline constexpr uint16_t kDataPort = 0xCFC;
// 0xCF8-0xCFF: the address and the data dword.
inline constexpr uint16_t kPortCount = 8;
inline constexpr uint32_t kEnable = 0x80000000u;
inline constexpr uint32_t kRegisterMask = 0xFC;
// The bytes of a function an address reaches: its first 256.
inline constexpr uint32_t kRegisterSpace = 0x100;
// The bits of an address that name the function.
inline constexpr uint32_t kFunctionMask = 0xFFFFFF00u;

// The address of a register; reg is added as it is, so a caller may add an
// offset to a function's address later.
constexpr uint32_t AddressOf(const FunctionAddress& function, uint32_t reg = 0) {
    return kEnable | uint32_t{function.bus} << 16 | uint32_t{function.device} << 11 |
           uint32_t{function.function} << 8 | reg;
}
constexpr FunctionAddress FunctionOf(uint32_t address) {
    return {static_cast<uint8_t>(address >> 16), static_cast<uint8_t>((address >> 11) & 0x1F),
            static_cast<uint8_t>((address >> 8) & 7)};
}
// The dword-aligned register an address names.
constexpr uint32_t RegisterOf(uint32_t address) {
    return address & kRegisterMask;
}
constexpr bool Enabled(uint32_t address) {
    return (address & kEnable) != 0;
}

}  // namespace config_mechanism
