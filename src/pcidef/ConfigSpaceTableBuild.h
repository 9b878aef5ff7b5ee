// SPDX-License-Identifier: MIT
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>

#include "pcidef/ConfigSpaceDef.h"

// Shorthands the table files are written in, and the meanings several of
// them share.
namespace pcidef::build {

inline constexpr Meaning kFlag{MeaningKind::Flag};
inline constexpr Meaning kHex{MeaningKind::Hex};
inline constexpr Meaning kDecimal{MeaningKind::Decimal};
inline constexpr Meaning kAddress{MeaningKind::Address};
inline constexpr Meaning kBytes{MeaningKind::Decimal, {}, 1, 63, "bytes"};
inline constexpr Meaning kMicroseconds{MeaningKind::Decimal, {}, 1, 63, "us"};

inline constexpr ValueText kLinkSpeedTexts[] = {{1, "2.5GT/s"}, {2, "5GT/s"},  {3, "8GT/s"},
                                                {4, "16GT/s"},  {5, "32GT/s"}, {6, "64GT/s"}};
inline constexpr Meaning kLinkSpeed{MeaningKind::Enum, kLinkSpeedTexts};

// Supported-speed vectors: bit 0 is 2.5GT/s.
inline constexpr ValueText kSpeedVectorTexts[] = {{0, "2.5GT/s"}, {1, "5GT/s"},  {2, "8GT/s"},
                                                  {3, "16GT/s"},  {4, "32GT/s"}, {5, "64GT/s"}};
inline constexpr Meaning kSpeedVector{MeaningKind::BitList, kSpeedVectorTexts};

inline constexpr ValueText kLinkWidthTexts[] = {{1, "x1"},   {2, "x2"},   {4, "x4"},  {8, "x8"},
                                                {12, "x12"}, {16, "x16"}, {32, "x32"}};
inline constexpr Meaning kLinkWidth{MeaningKind::Enum, kLinkWidthTexts};

// Latency values are value x 32^scale nanoseconds.
inline constexpr ValueText kLatencyScaleTexts[] = {{0, "x 1ns"},       {1, "x 32ns"},
                                                   {2, "x 1024ns"},    {3, "x 32768ns"},
                                                   {4, "x 1048576ns"}, {5, "x 33554432ns"}};
inline constexpr Meaning kLatencyScale{MeaningKind::Enum, kLatencyScaleTexts};

inline constexpr ValueText kBarIndexTexts[] = {{0, "BAR0"}, {1, "BAR1"}, {2, "BAR2"},
                                               {3, "BAR3"}, {4, "BAR4"}, {5, "BAR5"}};
inline constexpr Meaning kBarIndex{MeaningKind::Enum, kBarIndexTexts};

// The one field of a register that is a single number, named by the
// register's own name.
template <uint8_t BitCount, Access FieldAccess, const Meaning& How = kHex>
inline constexpr FieldDef kWhole[] = {{"", 0, BitCount - 1, FieldAccess, &How}};

constexpr FieldDef Bit(std::string_view name, uint8_t bit, Access access,
                       const Meaning& meaning = kFlag) {
    return {name, bit, bit, access, &meaning};
}

constexpr FieldDef Bits(std::string_view name, uint8_t low, uint8_t high, Access access,
                        const Meaning& meaning = kHex) {
    return {name, low, high, access, &meaning};
}

// Memory base address registers, the function's and its virtual functions'.
inline constexpr ValueText kSpaceTexts[] = {{0, "memory"}, {1, "I/O"}};
inline constexpr Meaning kSpace{MeaningKind::Enum, kSpaceTexts};
inline constexpr ValueText kMemoryTypeTexts[] = {{0, "32-bit"}, {1, "below 1M"}, {2, "64-bit"}};
inline constexpr Meaning kMemoryType{MeaningKind::Enum, kMemoryTypeTexts};
inline constexpr FieldDef kMemoryBar[] = {
    Bits("Space", 0, 0, Access::RO, kSpace),
    Bits("Type", 1, 2, Access::RO, kMemoryType).Summary(),
    Bit("Prefetchable", 3, Access::RO).Summary(),
    Bits("Address", 4, 31, Access::RW, kAddress).Summary(),
};

constexpr RegisterDef Reg(uint16_t offset, uint8_t width, std::string_view name,
                          std::string_view display, std::span<const FieldDef> fields = {}) {
    return {offset, width, name, display, fields};
}

constexpr uint32_t AtLeast(uint32_t value) {
    return ~((1u << value) - 1u);
}

constexpr Condition FieldIn(uint16_t offset, uint8_t low, uint8_t high, uint32_t values) {
    return {ConditionKind::Field, offset, low, high, values};
}
constexpr Condition FieldIs(uint16_t offset, uint8_t low, uint8_t high, uint32_t value) {
    return FieldIn(offset, low, high, 1u << value);
}
constexpr Condition BitSet(uint16_t offset, uint8_t bit) {
    return FieldIs(offset, bit, bit, 1);
}
constexpr Condition PortTypeIn(uint32_t values) {
    return {ConditionKind::PortType, 0, 0, 0, values};
}

constexpr Count Fixed(uint16_t copies, uint8_t stride, uint8_t firstIndex = 0) {
    return {CountKind::Fixed, 0, 0, 0, 0, copies, stride, firstIndex};
}
constexpr Count FieldCount(uint16_t offset, uint8_t low, uint8_t high, int16_t add, uint16_t max,
                           uint8_t stride, uint8_t firstIndex = 0) {
    return {CountKind::Field, offset, low, high, add, max, stride, firstIndex};
}
constexpr Count LengthCount(uint16_t offset, uint8_t low, uint8_t high, uint16_t max,
                            uint8_t stride, uint8_t firstIndex) {
    return {CountKind::LengthBytes, offset, low, high, 0, max, stride, firstIndex};
}
constexpr Count BitsCount(uint16_t offset, uint8_t low, uint8_t high, uint8_t firstIndex = 0) {
    return {CountKind::BitsAsDwords, offset, low, high, 0, 8, 4, firstIndex};
}
constexpr Count LaneCount(uint8_t stride) {
    return {CountKind::LinkWidth, 0, 0, 0, 0, 32, stride, 0};
}
constexpr Count NominalCount(uint8_t firstIndex) {
    return {CountKind::Nominal, 0, 0, 0, 0, 1023, 4, firstIndex};
}

// One array of the registers, or fields, of several, for structures that
// share a part.
template <typename T, size_t... Sizes>
constexpr std::array<T, (Sizes + ...)> Join(const std::array<T, Sizes>&... parts) {
    std::array<T, (Sizes + ...)> joined{};
    size_t at = 0;
    ((std::copy(parts.begin(), parts.end(), joined.begin() + at), at += Sizes), ...);
    return joined;
}

// Fields in the order of their bits, as the field pane lists them.
template <size_t Size>
constexpr std::array<FieldDef, Size> InBitOrder(std::array<FieldDef, Size> fields) {
    std::sort(fields.begin(), fields.end(),
              [](const FieldDef& a, const FieldDef& b) { return a.low < b.low; });
    return fields;
}

// PCI Express device/port types, as bits for PortTypeIn.
inline constexpr uint32_t kRootPort = 1u << 4;
inline constexpr uint32_t kIntegratedEndpoint = 1u << 9;
inline constexpr uint32_t kEventCollector = 1u << 10;

}  // namespace pcidef::build
