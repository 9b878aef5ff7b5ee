// SPDX-License-Identifier: MIT
#pragma once

#include <sys/types.h>

#include <cstdint>

// A file a client passed for a memory read to be written into. The driver
// may serve other users as root, so it writes only what the client itself
// may write and nothing else: a regular file the client's user owns, opened
// for writing and not for appending, and only within the length it already
// has. A link, a device, a pipe, a socket, another user's file or one opened
// for reading only fails the request and is never written.
class ClientFile {
  public:
    // ERROR_SUCCESS when `fd` may take `length` bytes from `offset` on for
    // a client of user `peer`; ERROR_INVALID_PARAMETER when the file is too
    // short for them, so nothing of them is written; else ERROR_ACCESS_DENIED.
    uint32_t Open(int fd, uid_t peer, uint64_t offset, uint64_t length);
    // Writes the next `count` bytes: ERROR_SUCCESS, ERROR_DISK_FULL, or
    // ERROR_INVALID_PARAMETER for bytes past the file's end.
    uint32_t Write(const uint8_t* bytes, uint64_t count);

  private:
    int fd_ = -1;
    uint64_t at_ = 0;
    uint64_t end_ = 0;
};
