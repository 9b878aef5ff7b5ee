// SPDX-License-Identifier: MIT
#include "memory/hexedit/HexDataFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "memory/hexedit/PositionedIo.h"

HexDataFile::~HexDataFile() {
    Close();
}

bool HexDataFile::Open(const std::string& path) {
    Close();
    fd_ = ::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
    if (fd_ < 0) return false;
    struct stat info {};
    if (fstat(fd_, &info) != 0) {
        int saved = errno;
        Close();
        errno = saved;
        return false;
    }
    fileSize_ = static_cast<uint64_t>(info.st_size);
    return true;
}

void HexDataFile::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    fileSize_ = 0;
    cacheLength_ = 0;
}

bool HexDataFile::ReadByte(uint64_t offset, uint8_t& value) {
    if (fd_ < 0 || offset >= fileSize_) return false;
    if (offset < cacheStart_ || offset >= cacheStart_ + cacheLength_) {
        cache_.resize(kCacheBytes);
        cacheStart_ = offset - offset % kCacheBytes;
        cacheLength_ = PositionedIo::ReadAt(fd_, cache_.data(), kCacheBytes, cacheStart_);
        if (offset >= cacheStart_ + cacheLength_) return false;
    }
    value = cache_[offset - cacheStart_];
    return true;
}

uint64_t HexDataFile::Read(uint8_t* buffer, uint64_t offset, uint64_t count) {
    return fd_ < 0 ? 0 : PositionedIo::ReadAt(fd_, buffer, count, offset);
}

bool HexDataFile::WriteByte(uint64_t offset, uint8_t value) {
    if (fd_ < 0 || offset >= fileSize_) return false;
    if (!PositionedIo::WriteAt(fd_, &value, 1, offset)) return false;
    if (offset >= cacheStart_ && offset < cacheStart_ + cacheLength_)
        cache_[offset - cacheStart_] = value;
    return true;
}
