// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>

#include "protocol/DriverRequest.h"

class WorkProgress;

// Reads a range of physical memory in blocks of the largest single transfer
// through one buffer, so a range of any size needs only that buffer, and
// hands each block on: to an open file, or to any consumer.
class MemoryDumpReader {
  public:
    static constexpr uint32_t kBlockBytes = kMaxTransferLength;
    // The length of the block at `offset` of a range of `size` bytes.
    static constexpr uint32_t BlockLength(uint32_t size, uint32_t offset) {
        return size - offset < kBlockBytes ? size - offset : kBlockBytes;
    }

    enum class OnReadFailure {
        // The block is handed on as 0xFF bytes, what absent memory reads, so
        // a failed read never shows a previous block's bytes as if read.
        Fill,
        // The reading stops and says where.
        Stop,
    };
    enum class Status { Ok, ReadFailed, WriteFailed, Cancelled };
    struct Result {
        Status status = Status::Ok;
        uint32_t address = 0;  // the block that failed
        int error = 0;         // errno of a failed file write
    };
    // Takes one block; false (errno set) stops the reading as WriteFailed.
    using BlockSink = std::function<bool(const uint8_t* bytes, uint32_t count)>;

    // Addresses wrap in 32 bits. The progress is asked before every block.
    static Result ForEachBlock(uint32_t address, uint32_t size, OnReadFailure onFailure,
                               const BlockSink& consume, WorkProgress* progress = nullptr);
    static Result Copy(uint32_t address, uint32_t size, std::FILE* file, OnReadFailure onFailure,
                       WorkProgress* progress = nullptr);
    // The range as the whole of a regular file opened for reading and
    // writing: the file gets its length (and its disk space) at once, and the
    // driver writes the bytes into it, so every byte is copied once, in
    // reads as large as the device takes into a file.
    static Result CopyToFile(uint32_t address, uint32_t size, int fd, OnReadFailure onFailure,
                             WorkProgress* progress = nullptr);

  private:
    // The range's file and its window, which only the driver writes.
    struct FileWindow {
        uint32_t address;
        uint32_t size;
        int fd;
        uint8_t* data;
    };
    // `length` bytes of the file from `offset` on: in one read where the
    // driver takes that many, else block by block.
    static Result CopyPiece(const FileWindow& target, uint32_t offset, uint32_t length,
                            OnReadFailure onFailure, WorkProgress* progress);
    // Where the file cannot be shared with the driver: through one buffer.
    static Result CopyThroughBuffer(uint32_t address, uint32_t size, int fd,
                                    OnReadFailure onFailure, WorkProgress* progress);
};
