// SPDX-License-Identifier: MIT
#include "memory/dump/MemoryDumpReader.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "hw/DriverChannel.h"
#include "memory/hexedit/PositionedIo.h"
#include "memory/hexedit/WorkProgress.h"
#include "platform/DeviceIo.h"
#include "platform/route/SharedTransferBuffer.h"
#include "protocol/ErrorCodes.h"

namespace {

// What absent memory reads, over a block whose read failed.
bool FillBlock(int fd, uint32_t offset, uint32_t length) {
    static const std::vector<uint8_t> absent(MemoryDumpReader::kBlockBytes, 0xFF);
    return PositionedIo::WriteAt(fd, absent.data(), length, offset);
}

}  // namespace

MemoryDumpReader::Result MemoryDumpReader::ForEachBlock(uint32_t address, uint32_t size,
                                                        OnReadFailure onFailure,
                                                        const BlockSink& consume,
                                                        WorkProgress* progress) {
    // Shared with the driver: a block is read straight into it, not copied
    // through the socket.
    SharedTransferBuffer buffer(size < kBlockBytes ? size : kBlockBytes);
    if (size > 0 && !buffer.Data()) return {Status::WriteFailed, address, ENOMEM};
    for (uint32_t offset = 0; offset < size;) {
        const uint32_t length = BlockLength(size, offset);
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

MemoryDumpReader::Result MemoryDumpReader::CopyToFile(uint32_t address, uint32_t size, int fd,
                                                      OnReadFailure onFailure,
                                                      WorkProgress* progress) {
    // The whole length at once, so the driver only ever writes within the
    // file; reserved where the file system can, which spares its
    // per-block bookkeeping during the writes and finds a full disk before
    // anything is read.
    if (size > 0 && fallocate(fd, 0, 0, size) != 0 && errno != EOPNOTSUPP && errno != ENOSYS)
        return {Status::WriteFailed, address, errno};
    if (ftruncate(fd, size) != 0) return {Status::WriteFailed, address, errno};
    SharedTransferBuffer window(fd, 0, size);
    if (!window.IsShared()) return CopyThroughBuffer(address, size, fd, onFailure, progress);
    const FileWindow target{address, size, fd, window.Data()};
    // Where the driver takes the file, a few large reads instead of many.
    const uint32_t largest = DeviceIo::Current().LargestFileRead() / kBlockBytes * kBlockBytes;
    const uint32_t piece = largest > kBlockBytes ? largest : kBlockBytes;
    for (uint32_t offset = 0; offset < size;) {
        const uint32_t length = size - offset < piece ? size - offset : piece;
        const Result result = CopyPiece(target, offset, length, onFailure, progress);
        if (result.status != Status::Ok) return result;
        offset += length;
    }
    return {};
}

MemoryDumpReader::Result MemoryDumpReader::CopyPiece(const FileWindow& target, uint32_t offset,
                                                     uint32_t length, OnReadFailure onFailure,
                                                     WorkProgress* progress) {
    if (length > kBlockBytes) {
        const uint32_t pieceAddress = target.address + offset;
        if (!KeepGoing(progress, offset, target.size)) return {Status::Cancelled, pieceAddress, 0};
        if (ReadPhysicalMemory(pieceAddress, target.data + offset, length)) return {};
        if (DeviceIo::Current().GetLastError() == ERROR_DISK_FULL)
            return {Status::WriteFailed, pieceAddress, ENOSPC};
        // A driver that takes one block at a time, or a block in the piece
        // that cannot be read: the piece again, block by block, so each
        // block is what its own read gives.
    }
    for (const uint32_t end = offset + length; offset < end;) {
        const uint32_t blockLength = BlockLength(end, offset);
        const uint32_t blockAddress = target.address + offset;
        if (!KeepGoing(progress, offset, target.size)) return {Status::Cancelled, blockAddress, 0};
        if (!ReadPhysicalMemory(blockAddress, target.data + offset, blockLength)) {
            if (DeviceIo::Current().GetLastError() == ERROR_DISK_FULL)
                return {Status::WriteFailed, blockAddress, ENOSPC};
            if (onFailure == OnReadFailure::Stop) return {Status::ReadFailed, blockAddress, 0};
            errno = 0;
            if (!FillBlock(target.fd, offset, blockLength))
                return {Status::WriteFailed, blockAddress, errno ? errno : EIO};
        }
        offset += blockLength;
    }
    return {};
}

MemoryDumpReader::Result MemoryDumpReader::CopyThroughBuffer(uint32_t address, uint32_t size,
                                                             int fd, OnReadFailure onFailure,
                                                             WorkProgress* progress) {
    uint32_t offset = 0;
    return ForEachBlock(
        address, size, onFailure,
        [fd, &offset](const uint8_t* bytes, uint32_t count) {
            if (!PositionedIo::WriteAt(fd, bytes, count, offset)) return false;
            offset += count;
            return true;
        },
        progress);
}
