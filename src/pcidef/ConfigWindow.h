// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>

#include "pcidef/FunctionAddress.h"

// A memory-mapped configuration window of one segment: the configuration
// space of bus b, device d, function f lies at
// base + (b << 20 | d << 15 | f << 12), for the buses startBus-endBus.
struct ConfigWindow {
    static constexpr uint64_t kFunctionBytes = 4096;

    uint64_t base = 0;  // where bus 0 would start
    uint16_t segment = 0;
    uint8_t startBus = 0;
    uint8_t endBus = 0xFF;

    // How many buses the window spans.
    uint32_t Buses() const { return uint32_t{endBus} - startBus + 1; }
    uint64_t Begin() const { return base + (uint64_t{startBus} << 20); }
    uint64_t End() const { return base + ((uint64_t{endBus} + 1) << 20); }
    bool Contains(uint64_t address) const { return address >= Begin() && address < End(); }
    // Where a function's space starts, counted from base.
    static uint64_t OffsetOf(const FunctionAddress& function) {
        return uint64_t{function.bus} << 20 | uint64_t{function.device} << 15 |
               uint64_t{function.function} << 12;
    }
    // The function whose space holds an address of the window, and where in
    // that space the address lies.
    FunctionAddress FunctionAt(uint64_t address) const;
    static uint32_t OffsetInFunction(uint64_t address, uint64_t base) {
        return static_cast<uint32_t>((address - base) % kFunctionBytes);
    }
};

// One piece of a physical range: inside a window, bytes of one function's
// space (which never cross into the next function); outside, the bytes up to
// where the next window begins.
struct WindowPiece {
    uint64_t length = 0;
    bool inWindow = false;
    FunctionAddress function;  // when inWindow
    uint32_t offset = 0;       // into the function's space, when inWindow
};

// The piece that starts at address, at most length bytes long.
WindowPiece FirstWindowPiece(std::span<const ConfigWindow> windows, uint64_t address,
                             uint64_t length);

// Calls visit(piece, address of the piece, bytes before it) for each piece of
// [address, address + length) in turn, until visit returns false; false then.
template <class Visit>
bool ForEachWindowPiece(std::span<const ConfigWindow> windows, uint64_t address, uint64_t length,
                        Visit visit) {
    for (uint64_t done = 0; done < length;) {
        const WindowPiece piece = FirstWindowPiece(windows, address + done, length - done);
        if (!visit(piece, address + done, done)) return false;
        done += piece.length;
    }
    return true;
}
