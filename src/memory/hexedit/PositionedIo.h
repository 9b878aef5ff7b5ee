// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

// Reads and writes at a file offset, retried across interruptions and short
// transfers.
namespace PositionedIo {

// The most bytes the editor's files move in one call (4 MiB): a search window,
// a piece of zeros. Larger pieces gain no speed and cost memory.
inline constexpr uint64_t kBlockBytes = uint64_t{4} << 20;

// Bytes actually read: fewer than count at the end of the file or on error.
uint64_t ReadAt(int fd, uint8_t* buffer, uint64_t count, uint64_t offset);
// True when every byte was written.
bool WriteAt(int fd, const uint8_t* buffer, uint64_t count, uint64_t offset);

}  // namespace PositionedIo
