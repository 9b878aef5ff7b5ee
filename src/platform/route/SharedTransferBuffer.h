// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>

// Memory the driver can reach directly: a memfd mapped into this process,
// sealed against shrinking so that the driver's view of it never loses a
// page. A memory request whose buffer lies inside it passes the descriptor
// and an offset with the frame instead of copying the bytes through the
// socket. Where no memfd can be made it is ordinary memory, and requests
// take the socket.
//
// Unlike other buffers, a read request that fails may have changed any of
// its bytes: only callers that treat a failed block as unknown use it.
class SharedTransferBuffer {
  public:
    explicit SharedTransferBuffer(size_t size);
    ~SharedTransferBuffer();
    SharedTransferBuffer(const SharedTransferBuffer&) = delete;
    SharedTransferBuffer& operator=(const SharedTransferBuffer&) = delete;

    uint8_t* Data() const { return data_; }
    size_t Size() const { return size_; }
    bool IsShared() const { return fd_ >= 0; }

    struct Location {
        int fd;
        uint64_t offset;
    };
    // The shared buffer that holds [address, address + length), if any.
    static bool Locate(const void* address, size_t length, Location* where);

  private:
    bool MapShared();

    size_t size_;
    int fd_ = -1;
    uint8_t* data_ = nullptr;
    size_t mapped_ = 0;
};
