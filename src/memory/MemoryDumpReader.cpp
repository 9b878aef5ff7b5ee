#include "memory/MemoryDumpReader.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include "hw/DriverChannel.h"
#include "memory/WorkProgress.h"

MemoryDumpReader::Result MemoryDumpReader::Copy(uint32_t address, uint32_t size, std::FILE* file,
                                                OnReadFailure onFailure, WorkProgress* progress) {
    std::vector<uint8_t> buffer(size < kBlockBytes ? size : kBlockBytes);
    for (uint32_t offset = 0; offset < size;) {
        const uint32_t length = size - offset < kBlockBytes ? size - offset : kBlockBytes;
        const uint32_t blockAddress = address + offset;
        if (!KeepGoing(progress, offset, size)) return {Status::Cancelled, blockAddress, 0};
        // The driver leaves the buffer as it was when a read fails.
        std::memset(buffer.data(), 0xFF, length);
        if (!ReadPhysicalMemory(blockAddress, buffer.data(), length) &&
            onFailure == OnReadFailure::Stop)
            return {Status::ReadFailed, blockAddress, 0};
        errno = 0;
        if (std::fwrite(buffer.data(), 1, length, file) != length)
            return {Status::WriteFailed, blockAddress, errno ? errno : EIO};
        offset += length;
    }
    // Buffered bytes reach the disk only here; a full disk may show up now.
    errno = 0;
    if (std::fflush(file) != 0) return {Status::WriteFailed, address + size, errno ? errno : EIO};
    return {};
}
