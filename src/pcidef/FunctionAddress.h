// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// One PCI function: segment, bus, device and function. Every layer names a
// function with this type, reads it with ReadFunctionAddress and prints it
// with ToString. The segment comes last, so {bus, device, function} names a
// function of segment 0.
struct FunctionAddress {
    uint8_t bus = 0;
    uint8_t device = 0;    // 0-1F once InRange()
    uint8_t function = 0;  // 0-7 once InRange()
    uint16_t segment = 0;

    // Device and function as the bits 7-3 and 2-0 of one byte.
    static FunctionAddress FromDevFn(uint8_t bus, uint8_t devFn, uint16_t segment = 0) {
        return {bus, static_cast<uint8_t>(devFn >> 3), static_cast<uint8_t>(devFn & 7), segment};
    }
    uint8_t DevFn() const { return static_cast<uint8_t>(device << 3 | function); }
    // Unique per function; orders as the kernel lists functions.
    uint32_t Key() const { return uint32_t{segment} << 16 | uint32_t{bus} << 8 | DevFn(); }
    // Whether device and function fit their 5 and 3 bits.
    bool InRange() const { return device <= 0x1F && function <= 7; }

    // "bb:dd.f" for segment 0, "dddd:bb:dd.f" otherwise (or always, with
    // withSegment), lower-case hex as lspci prints it.
    std::string ToString(bool withSegment = false) const;

    friend bool operator==(const FunctionAddress&, const FunctionAddress&) = default;
};

// How many digits the bus and device take: exactly two, as lspci and sysfs
// print them, or one or two, as a person types them. The segment always has
// four, the function one.
enum class AddressDigits { Printed, Typed };

// What ReadFunctionAddress took from the start of a text.
struct AddressText {
    size_t length = 0;         // 0: the text does not start with an address
    bool withSegment = false;  // written as "dddd:bb:dd.f"
};

// Reads "bb:dd.f" or "dddd:bb:dd.f" (hex digits of either case) from the
// start of text into *out. Device and function are taken as written, so a
// caller can tell a malformed address from one out of range (InRange()).
AddressText ReadFunctionAddress(std::string_view text, AddressDigits digits, FunctionAddress* out);

// The whole text as one address in range; nullopt for anything else.
std::optional<FunctionAddress> ParseFunctionAddress(std::string_view text, AddressDigits digits);
