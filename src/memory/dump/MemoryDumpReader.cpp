// SPDX-License-Identifier: MIT
#include "memory/dump/MemoryDumpReader.h"

#include <cerrno>
#include <cstring>

#include "hw/DriverChannel.h"
#include "memory/hexedit/WorkProgress.h"
#include "platform/route/SharedTransferBuffer.h"

MemoryDumpReader::Result MemoryDumpReader::ForEachBlock(uint32_t address, uint32_t size,
                                                        OnReadFailure onFailure,
                                                        const BlockSink& consume,
                                                        WorkProgress* progress) {
    // Shared with the driver: a block is read straight into it, not copied
    // through the socket.
    SharedTransferBuffer buffer(size < kBlockBytes ? size : kBlockBytes);
    if (size > 0 && !buffer.Data()) return {Status::WriteFailed, address, ENOMEM};
    for (uint32_t offset = 0; offset < size;) {
        const uint32_t length = size - offset < kBlockBytes ? size - offset : kBlockBytes;
        const uint32_t blockAddress = address + offset;
        if (!KeepGoing(progress, offset, size)) return {Status::Cancelled, blockAddress, 0};
        // A failed read may have left anything in a shared buffer.
        if (!ReadPhysicalMemory(blockAddress, buffer.Data(), length)) {
            if (onFailure == OnReadFailure::Stop) return {Status::ReadFailed, blockAddress, 0};
            std::memset(buffer.Data(), 0xFF, length);
        }
        errno = 0;
        if (!consume(buffer.Data(), length))
            return {Status::WriteFailed, blockAddress, errno ? errno : EIO};
        offset += length;
    }
    return {};
}

MemoryDumpReader::Result MemoryDumpReader::Copy(uint32_t address, uint32_t size, std::FILE* file,
                                                OnReadFailure onFailure, WorkProgress* progress) {
    const Result result = ForEachBlock(
        address, size, onFailure,
        [file](const uint8_t* bytes, uint32_t count) {
            return std::fwrite(bytes, 1, count, file) == count;
        },
        progress);
    if (result.status != Status::Ok) return result;
    // Buffered bytes reach the disk only here; a full disk may show up now.
    errno = 0;
    if (std::fflush(file) != 0) return {Status::WriteFailed, address + size, errno ? errno : EIO};
    return {};
}
