// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

// Offsets of the registers of the configuration header, by name, and the
// bits the program itself relies on. The full description of every field is
// the configuration-space description beside this file.
namespace pcireg {

// Common to both header types.
inline constexpr uint32_t kVendorId = 0x00;
inline constexpr uint32_t kDeviceId = 0x02;
inline constexpr uint32_t kCommand = 0x04;
inline constexpr uint32_t kStatus = 0x06;
inline constexpr uint32_t kRevisionId = 0x08;  // class code in the upper 24 bits of this dword
inline constexpr uint32_t kClassCode = 0x09;
inline constexpr uint32_t kCacheLineSize = 0x0C;
inline constexpr uint32_t kLatencyTimer = 0x0D;
inline constexpr uint32_t kHeaderType = 0x0E;
inline constexpr uint32_t kBist = 0x0F;
inline constexpr uint32_t kBar0 = 0x10;
inline constexpr uint32_t kCapabilityPointer = 0x34;
inline constexpr uint32_t kInterruptLine = 0x3C;
inline constexpr uint32_t kInterruptPin = 0x3D;

// Type 0 header.
inline constexpr uint32_t kCardbusCis = 0x28;
inline constexpr uint32_t kSubsystemVendorId = 0x2C;
inline constexpr uint32_t kSubsystemId = 0x2E;
inline constexpr uint32_t kExpansionRom = 0x30;
inline constexpr uint32_t kMinGrant = 0x3E;
inline constexpr uint32_t kMaxLatency = 0x3F;
inline constexpr int kType0BarCount = 6;

// Type 1 (bridge) header.
inline constexpr uint32_t kPrimaryBus = 0x18;
inline constexpr uint32_t kSecondaryBus = 0x19;
inline constexpr uint32_t kSubordinateBus = 0x1A;
inline constexpr uint32_t kSecondaryLatency = 0x1B;
inline constexpr uint32_t kIoBase = 0x1C;
inline constexpr uint32_t kIoLimit = 0x1D;
inline constexpr uint32_t kSecondaryStatus = 0x1E;
inline constexpr uint32_t kMemoryBase = 0x20;
inline constexpr uint32_t kMemoryLimit = 0x22;
inline constexpr uint32_t kPrefetchBase = 0x24;
inline constexpr uint32_t kPrefetchLimit = 0x26;
inline constexpr uint32_t kPrefetchBaseUpper = 0x28;
inline constexpr uint32_t kPrefetchLimitUpper = 0x2C;
inline constexpr uint32_t kIoBaseUpper = 0x30;
inline constexpr uint32_t kIoLimitUpper = 0x32;
inline constexpr uint32_t kBridgeExpansionRom = 0x38;
inline constexpr uint32_t kBridgeControl = 0x3E;
inline constexpr int kType1BarCount = 2;

// Sizes of the spaces and where the capability lists start.
inline constexpr uint32_t kHeaderSize = 0x40;
inline constexpr uint32_t kConfigSize = 0x100;
inline constexpr uint32_t kExtendedConfigSize = 0x1000;
inline constexpr uint32_t kExtendedCapabilityStart = 0x100;

// Bits the program tests.
inline constexpr uint16_t kStatusCapabilityList = 1u << 4;
inline constexpr uint8_t kHeaderTypeMask = 0x7F;
inline constexpr uint8_t kHeaderTypeMultiFunction = 0x80;
inline constexpr uint8_t kHeaderTypeNormal = 0;
inline constexpr uint8_t kHeaderTypeBridge = 1;
inline constexpr uint8_t kHeaderTypeCardbus = 2;

// Capability IDs the program looks for itself.
inline constexpr uint8_t kCapabilityIdPciExpress = 0x10;

// The value every register of an absent function reads.
inline constexpr uint32_t kAbsentDword = 0xFFFFFFFFu;

}  // namespace pcireg

// Type 2 (CardBus bridge) header: where it differs from the others.
namespace pcireg {
inline constexpr uint32_t kCardbusSocketBase = 0x10;
inline constexpr uint32_t kCardbusCapabilityPointer = 0x14;
inline constexpr uint32_t kCardbusSecondaryStatus = 0x16;
inline constexpr uint32_t kCardbusBus = 0x19;
inline constexpr uint32_t kCardbusMemoryBase0 = 0x1C;
inline constexpr uint32_t kCardbusIoBase0 = 0x2C;
}  // namespace pcireg
