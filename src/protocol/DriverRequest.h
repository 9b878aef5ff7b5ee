// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>

// The fixed 580-byte record exchanged with the driver, one layout for every
// request; each request uses only its own fields. Little-endian.
#pragma pack(push, 1)
struct DriverRequest {
    uint8_t Reserved[36];
    uint8_t BusNumbers[256];
    uint8_t DevFns[256];  // device in bits 7-3, function in bits 2-0
    uint32_t FunctionCount;
    uint32_t ConfigAddress;
    uint32_t ConfigValue;
    uint32_t TransferLength;
    uint64_t PhysicalAddress;  // 32-bit address, sign-extended
    uint64_t UserBuffer;       // address of the caller's buffer
};
#pragma pack(pop)

static_assert(sizeof(DriverRequest) == 580);
static_assert(offsetof(DriverRequest, BusNumbers) == 36);
static_assert(offsetof(DriverRequest, DevFns) == 292);
static_assert(offsetof(DriverRequest, FunctionCount) == 548);
static_assert(offsetof(DriverRequest, ConfigAddress) == 552);
static_assert(offsetof(DriverRequest, ConfigValue) == 556);
static_assert(offsetof(DriverRequest, TransferLength) == 560);
static_assert(offsetof(DriverRequest, PhysicalAddress) == 564);
static_assert(offsetof(DriverRequest, UserBuffer) == 572);

// I/O control codes: device type 0x8086, buffered, any access.
constexpr uint32_t MakeControlCode(uint32_t deviceType, uint32_t function) {
    return (deviceType << 16) | (function << 2);
}
inline constexpr uint32_t IOCTL_READ_PHYSICAL_MEMORY = MakeControlCode(0x8086, 0xB88);
inline constexpr uint32_t IOCTL_WRITE_PHYSICAL_MEMORY = MakeControlCode(0x8086, 0xB89);
inline constexpr uint32_t IOCTL_LIST_PCI_FUNCTIONS = MakeControlCode(0x8086, 0xB8A);
inline constexpr uint32_t IOCTL_READ_PCI_CONFIG = MakeControlCode(0x8086, 0xB8F);
inline constexpr uint32_t IOCTL_WRITE_PCI_CONFIG = MakeControlCode(0x8086, 0xB90);
static_assert(IOCTL_READ_PHYSICAL_MEMORY == 0x80862E20u);
static_assert(IOCTL_WRITE_PHYSICAL_MEMORY == 0x80862E24u);
static_assert(IOCTL_LIST_PCI_FUNCTIONS == 0x80862E28u);
static_assert(IOCTL_READ_PCI_CONFIG == 0x80862E3Cu);
static_assert(IOCTL_WRITE_PCI_CONFIG == 0x80862E40u);

// Codes of our own, beside the record's five. Their data travels as a memory
// read's does: TransferLength bytes into the caller's UserBuffer.
//
// Block read: one function's configuration space in one request. In:
// ConfigAddress is the function's register 0 (mechanism #1 form), the segment
// in Reserved (RequestSegment), TransferLength ConfigBlockLength(256 or
// 4096). Out: the bytes, then one byte per dword, 1 where that dword was read
// and 0 where a dword request would have been refused; ConfigValue holds the
// error of the first refused dword (ERROR_SUCCESS when none was).
inline constexpr uint32_t IOCTL_READ_PCI_CONFIG_BLOCK = MakeControlCode(0x8086, 0xBA0);
static_assert(IOCTL_READ_PCI_CONFIG_BLOCK == 0x80862E80u);

// Segment list: every function the driver knows, of every segment, without
// the list request's limit of 256. In: TransferLength, a multiple of
// kListedFunctionSize up to kMaxTransferLength, says how many entries the
// caller's buffer takes. Out:
// FunctionCount, how many functions there are, and the first of them in the
// buffer, kListedFunctionSize bytes each (ListedFunction); a caller whose
// buffer was too small asks again with a larger one.
inline constexpr uint32_t IOCTL_LIST_PCI_SEGMENT_FUNCTIONS = MakeControlCode(0x8086, 0xBA1);
static_assert(IOCTL_LIST_PCI_SEGMENT_FUNCTIONS == 0x80862E84u);

// Blocks read: the block reads of up to 256 functions of one segment in one
// request. In: FunctionCount functions in BusNumbers and DevFns (as the list
// request answers them), their segment in Reserved, ConfigValue the bytes of
// each (256 or 4096), TransferLength FunctionCount times ConfigBlockLength of
// them. Out: each function's block read data in turn; ConfigValue the error
// of the first refused dword of any (ERROR_SUCCESS when none was).
inline constexpr uint32_t IOCTL_READ_PCI_CONFIG_BLOCKS = MakeControlCode(0x8086, 0xBA2);
static_assert(IOCTL_READ_PCI_CONFIG_BLOCKS == 0x80862E88u);

// Gather read: up to kMaxGatherPieces pieces of physical memory of one
// length, each answered as a memory read of it alone would be. In:
// FunctionCount addresses, 4 bytes each, little-endian, in the list area
// (GatherAddress), ConfigValue the length of each (1 to 4096),
// TransferLength FunctionCount times (length + 1). Out: each piece's bytes in
// turn (zero where refused), then one byte per piece, 1 read and 0 refused;
// ConfigValue the error of the first refused piece.
inline constexpr uint32_t IOCTL_READ_PHYSICAL_GATHER = MakeControlCode(0x8086, 0xBA3);
static_assert(IOCTL_READ_PHYSICAL_GATHER == 0x80862E8Cu);

#pragma pack(push, 1)
struct ListedFunction {
    uint16_t segment;
    uint8_t bus;
    uint8_t devFn;  // device in bits 7-3, function in bits 2-0
};
#pragma pack(pop)
inline constexpr uint32_t kListedFunctionSize = sizeof(ListedFunction);
static_assert(kListedFunctionSize == 4);

// The data of a block read of `bytes` configuration bytes.
constexpr uint32_t ConfigBlockLength(uint32_t bytes) {
    return bytes + bytes / 4;
}

// The configuration requests carry the function's segment in the first two
// bytes of Reserved, little-endian; 0 is segment 0, as a zeroed record has it.
inline constexpr size_t kSegmentOffset = 0;
inline uint16_t RequestSegment(const DriverRequest& record) {
    return static_cast<uint16_t>(record.Reserved[kSegmentOffset] |
                                 record.Reserved[kSegmentOffset + 1] << 8);
}
inline void SetRequestSegment(DriverRequest* record, uint16_t segment) {
    record->Reserved[kSegmentOffset] = static_cast<uint8_t>(segment);
    record->Reserved[kSegmentOffset + 1] = static_cast<uint8_t>(segment >> 8);
}

// The blocks read's most functions: as many as the list area names.
inline constexpr uint32_t kMaxBlocksFunctions = 256;

// The gather read's addresses fill the list area (BusNumbers, then DevFns).
inline constexpr uint32_t kMaxGatherPieces = 128;
inline constexpr uint32_t kMaxGatherPieceLength = 4096;
static_assert(kMaxGatherPieces * 4 ==
              sizeof(DriverRequest::BusNumbers) + sizeof(DriverRequest::DevFns));
inline uint32_t GatherAddress(const DriverRequest& record, uint32_t piece) {
    const uint8_t* at =
        reinterpret_cast<const uint8_t*>(&record) + offsetof(DriverRequest, BusNumbers) + 4 * piece;
    return static_cast<uint32_t>(at[0] | at[1] << 8 | at[2] << 16) | uint32_t{at[3]} << 24;
}
inline void SetGatherAddress(DriverRequest* record, uint32_t piece, uint32_t address) {
    uint8_t* at =
        reinterpret_cast<uint8_t*>(record) + offsetof(DriverRequest, BusNumbers) + 4 * piece;
    for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(address >> (8 * i));
}

inline constexpr uint32_t VXD_READ_PHYSICAL_MEMORY = 3;
inline constexpr uint32_t VXD_WRITE_PHYSICAL_MEMORY = 4;

// The most bytes one memory request moves (4 MiB): the driver refuses more,
// and readers of large ranges go in pieces of this size.
inline constexpr uint32_t kMaxTransferLength = 0x400000;

// Sign-extends a 32-bit address into the record's 64-bit form.
constexpr uint64_t SignExtendAddress(uint32_t address) {
    return static_cast<uint64_t>(static_cast<int64_t>(static_cast<int32_t>(address)));
}
