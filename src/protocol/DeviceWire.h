// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>

#include "protocol/DriverRequest.h"

// Frames exchanged on a driver socket. All fields little-endian.
//
// Request:  RequestHeader, inSize bytes of input buffer, for the VxD codes
//           the outSize bytes of the output buffer (their record), then
//           dataSize bytes taken from the caller's UserBuffer (memory writes
//           only). dataSize is at most kMaxTransferLength.
// Reply:    ReplyHeader, outSize bytes of output buffer, then dataSize bytes
//           for the caller's UserBuffer (memory reads only, on success).
//
// A control frame (code kStopControlCode, no buffers) asks the driver to stop.
//
// A driver serving as many connections of the peer's user as it allows
// answers a new one with a ReplyHeader of status ERROR_BUSY (170) at once,
// reading nothing, and closes it: the client connects again a little later.
//
// Shared frame: the memory codes may instead carry their data in a buffer
// the caller shares with the driver. The header has kSharedRequestMagic and
// dataSize 0, a memfd travels with its first byte (SCM_RIGHTS), and a
// SharedData follows the buffers: the data lies at that offset in the memfd.
// The reply carries no data bytes; a read's bytes are in the memfd.
//
// File frame: a memory read may instead have the driver write its bytes
// into a regular file of the caller's, so they are copied once. As a shared
// frame, but with kFileRequestMagic, the file's descriptor, and a SharedData
// that says where in the file the bytes go; the file already reaches that
// far, and the driver never writes past its end. Its TransferLength may be
// up to kMaxFileTransferLength: the driver reads such a read in pieces of
// kMaxTransferLength, each in turn with other clients' requests, so a file
// frame holds no more memory and no longer a turn than a buffer's read.
namespace wire {

inline constexpr uint32_t kRequestMagic = 0x51585242;        // "BRXQ"
inline constexpr uint32_t kSharedRequestMagic = 0x53585242;  // "BRXS"
inline constexpr uint32_t kFileRequestMagic = 0x46585242;    // "BRXF"
inline constexpr uint32_t kReplyMagic = 0x41585242;          // "BRXA"
inline constexpr uint32_t kStopControlCode = 0xFFFFFFFFu;
inline constexpr uint32_t kMaxBufferSize = 4096;
inline constexpr uint32_t kMaxFileTransferLength = 64 * kMaxTransferLength;  // 256 MiB

struct RequestHeader {
    uint32_t magic;
    uint32_t code;
    uint32_t inSize;
    uint32_t outSize;
    uint32_t dataSize;
};
static_assert(sizeof(RequestHeader) == 20);

struct ReplyHeader {
    uint32_t magic;
    uint32_t status;  // 0 success, else the platform's error code
    uint32_t outSize;
    uint32_t dataSize;
};
static_assert(sizeof(ReplyHeader) == 16);

struct SharedData {
    uint64_t offset;
};
static_assert(sizeof(SharedData) == 8);

// Where the memory codes keep their transfer fields inside the record, for
// the side that handles records as bytes.
inline constexpr uint32_t kRecordSize = sizeof(DriverRequest);
inline constexpr uint32_t kTransferLengthOffset = offsetof(DriverRequest, TransferLength);
inline constexpr uint32_t kUserBufferOffset = offsetof(DriverRequest, UserBuffer);

enum class UserTransfer { None, ToDriver, FromDriver };

// The codes whose record names a buffer in the caller's memory: the memory
// codes, the block reads, the gather read and the segment list.
constexpr UserTransfer UserTransferOf(uint32_t code) {
    switch (code) {
        case IOCTL_READ_PHYSICAL_MEMORY:
        case VXD_READ_PHYSICAL_MEMORY:
        case IOCTL_READ_PCI_CONFIG_BLOCK:
        case IOCTL_READ_PCI_CONFIG_BLOCKS:
        case IOCTL_READ_PHYSICAL_GATHER:
        case IOCTL_LIST_PCI_SEGMENT_FUNCTIONS:
            return UserTransfer::FromDriver;
        case IOCTL_WRITE_PHYSICAL_MEMORY:
        case VXD_WRITE_PHYSICAL_MEMORY:
            return UserTransfer::ToDriver;
        default:
            return UserTransfer::None;
    }
}

// The codes a file frame may carry: the memory reads.
constexpr bool ReadsIntoFile(uint32_t code) {
    return code == IOCTL_READ_PHYSICAL_MEMORY || code == VXD_READ_PHYSICAL_MEMORY;
}

}  // namespace wire
