// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>

#include "driver/FileDescriptor.h"

// Maps the part of a client's shared buffer that a memory request uses. The
// driver serves other users, perhaps as root, so a descriptor is taken only
// when it is what a client of ours sends: an anonymous memfd (no file of the
// system's, no device, no pipe), sealed against shrinking (so no page of the
// mapping can vanish and fault the driver), of at least the range asked
// for, and opened for writing when the driver is to write into it. Anything
// else fails that request alone.
//
// The last mapping is kept: a client that dumps sends the same buffer again
// and again, and mapping it afresh for every block would cost as much as
// the copy. It is reused only for the very same open file (not merely the
// same inode number) and range.
class SharedBufferMapping {
  public:
    SharedBufferMapping() = default;
    ~SharedBufferMapping();
    SharedBufferMapping(const SharedBufferMapping&) = delete;
    SharedBufferMapping& operator=(const SharedBufferMapping&) = delete;

    // The bytes at `offset` in the memfd, or null when it was refused.
    uint8_t* Map(int fd, uint64_t offset, uint32_t length, bool driverWrites);

  private:
    static bool Acceptable(int fd, uint64_t offset, uint32_t length, bool driverWrites);
    bool Holds(int fd, uint64_t start, size_t length, bool writable) const;
    void Release();

    FileDescriptor file_;  // the mapped file, for telling it apart
    void* mapping_ = nullptr;
    uint64_t start_ = 0;
    size_t length_ = 0;
    bool writable_ = false;
};
