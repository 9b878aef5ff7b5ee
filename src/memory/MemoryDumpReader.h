#pragma once

#include <cstdint>
#include <cstdio>

class WorkProgress;

// Copies a range of physical memory into an open file in 4 MiB blocks (the
// largest single transfer) through one buffer, so a dump of any size needs
// only that buffer.
class MemoryDumpReader {
  public:
    static constexpr uint32_t kBlockBytes = 0x400000;

    enum class OnReadFailure {
        // The block is written as 0xFF bytes, what absent memory reads, so a
        // failed read never shows a previous block's bytes as if read.
        Fill,
        // The copy stops and says where.
        Stop,
    };
    enum class Status { Ok, ReadFailed, WriteFailed, Cancelled };
    struct Result {
        Status status = Status::Ok;
        uint32_t address = 0;  // the block that failed
        int error = 0;         // errno of a failed file write
    };

    // Addresses wrap in 32 bits. The progress is asked before every block.
    static Result Copy(uint32_t address, uint32_t size, std::FILE* file, OnReadFailure onFailure,
                       WorkProgress* progress = nullptr);
};
