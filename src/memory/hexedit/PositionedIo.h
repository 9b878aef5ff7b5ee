#pragma once

#include <cstdint>

// Reads and writes at a file offset, retried across interruptions and short
// transfers.
namespace PositionedIo {

// Bytes actually read: fewer than count at the end of the file or on error.
uint64_t ReadAt(int fd, uint8_t* buffer, uint64_t count, uint64_t offset);
// True when every byte was written.
bool WriteAt(int fd, const uint8_t* buffer, uint64_t count, uint64_t offset);

}  // namespace PositionedIo
