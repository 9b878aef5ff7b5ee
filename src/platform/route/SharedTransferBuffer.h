// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>

// Memory the driver can reach directly. A memory request whose buffer lies
// inside it passes a descriptor and an offset with the frame instead of
// copying the bytes through the socket.
//
// Made with a size, it is a memfd mapped into this process, sealed against
// shrinking so that the driver's view of it never loses a page; where no
// memfd can be made it is ordinary memory, and requests take the socket.
//
// Made over a file, it is a window onto part of a regular file of the
// caller's, opened for reading and writing, that already reaches that far:
// a read request into it has the driver write the file itself, the one copy
// of the bytes. Its pages must not be touched by this process, which would
// meet a full disk as a fault instead of an error; where it cannot be mapped
// Data() is null.
//
// Unlike other buffers, a read request that fails may have changed any of
// its bytes: only callers that treat a failed block as unknown use it.
class SharedTransferBuffer {
  public:
    explicit SharedTransferBuffer(size_t size);
    SharedTransferBuffer(int file, uint64_t offset, size_t size);
    ~SharedTransferBuffer();
    SharedTransferBuffer(const SharedTransferBuffer&) = delete;
    SharedTransferBuffer& operator=(const SharedTransferBuffer&) = delete;

    uint8_t* Data() const { return data_; }
    size_t Size() const { return size_; }
    bool IsShared() const { return fd_ >= 0; }

    struct Location {
        int fd;
        uint64_t offset;
        bool file;  // the driver writes a file rather than mapping a memfd
    };
    // The shared buffer that holds [address, address + length), if any.
    static bool Locate(const void* address, size_t length, Location* where);

  private:
    bool MapShared();
    void Register();

    size_t size_;
    int fd_ = -1;
    bool file_ = false;
    uint64_t fileOffset_ = 0;
    uint8_t* data_ = nullptr;
    void* mapping_ = nullptr;
    size_t mapped_ = 0;
};
