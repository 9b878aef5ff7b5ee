#include "memory/HexDataFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

HexDataFile::~HexDataFile() { Close(); }

bool HexDataFile::Open(const std::string& path) {
    Close();
    fd_ = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
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
        ssize_t got = pread(fd_, cache_.data(), kCacheBytes, static_cast<off_t>(cacheStart_));
        cacheLength_ = got > 0 ? static_cast<uint64_t>(got) : 0;
        if (offset >= cacheStart_ + cacheLength_) return false;
    }
    value = cache_[offset - cacheStart_];
    return true;
}

uint64_t HexDataFile::Read(uint8_t* buffer, uint64_t offset, uint64_t count) {
    if (fd_ < 0) return 0;
    uint64_t done = 0;
    while (done < count) {
        ssize_t got = pread(fd_, buffer + done, count - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += static_cast<uint64_t>(got);
    }
    return done;
}

bool HexDataFile::WriteByte(uint64_t offset, uint8_t value) {
    if (fd_ < 0 || offset >= fileSize_) return false;
    ssize_t put;
    do {
        put = pwrite(fd_, &value, 1, static_cast<off_t>(offset));
    } while (put < 0 && errno == EINTR);
    if (put != 1) return false;
    if (offset >= cacheStart_ && offset < cacheStart_ + cacheLength_)
        cache_[offset - cacheStart_] = value;
    return true;
}
