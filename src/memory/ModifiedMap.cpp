#include "memory/ModifiedMap.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

ModifiedMap::~ModifiedMap() { Close(); }

bool ModifiedMap::Create(const std::string& path) {
    Close();
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    return fd_ >= 0;
}

void ModifiedMap::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    cacheLength_ = 0;
}

bool ModifiedMap::Clear(uint64_t size) {
    if (fd_ < 0) return false;
    cacheLength_ = 0;
    const uint64_t total = size / 8 + 1;
    std::vector<uint8_t> zeros(static_cast<size_t>(std::min<uint64_t>(total, 0x400000)), 0);
    uint64_t done = 0;
    while (done < total) {
        size_t piece = static_cast<size_t>(std::min<uint64_t>(total - done, zeros.size()));
        ssize_t put = pwrite(fd_, zeros.data(), piece, static_cast<off_t>(done));
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        done += static_cast<uint64_t>(put);
    }
    return true;
}

bool ModifiedMap::LoadCache(uint64_t mapByte) {
    if (mapByte >= cacheStart_ && mapByte < cacheStart_ + cacheLength_) return true;
    cache_.resize(kCacheBytes);
    cacheStart_ = mapByte - mapByte % kCacheBytes;
    ssize_t got = pread(fd_, cache_.data(), kCacheBytes, static_cast<off_t>(cacheStart_));
    cacheLength_ = got > 0 ? static_cast<uint64_t>(got) : 0;
    return mapByte < cacheStart_ + cacheLength_;
}

bool ModifiedMap::IsSet(uint64_t offset) {
    if (fd_ < 0 || !LoadCache(offset / 8)) return false;
    return (cache_[offset / 8 - cacheStart_] >> (offset % 8)) & 1;
}

bool ModifiedMap::Set(uint64_t offset) {
    if (fd_ < 0) return false;
    const uint64_t mapByte = offset / 8;
    uint8_t value = 0;
    if (LoadCache(mapByte)) value = cache_[mapByte - cacheStart_];
    value = static_cast<uint8_t>(value | (1u << (offset % 8)));
    ssize_t put;
    do {
        put = pwrite(fd_, &value, 1, static_cast<off_t>(mapByte));
    } while (put < 0 && errno == EINTR);
    if (put != 1) return false;
    if (mapByte >= cacheStart_ && mapByte < cacheStart_ + cacheLength_)
        cache_[mapByte - cacheStart_] = value;
    else
        cacheLength_ = 0;
    return true;
}

void ModifiedMap::ReadBytes(uint8_t* buffer, uint64_t first, uint64_t count) {
    std::memset(buffer, 0, count);
    if (fd_ < 0) return;
    uint64_t done = 0;
    while (done < count) {
        ssize_t got = pread(fd_, buffer + done, count - done, static_cast<off_t>(first + done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += static_cast<uint64_t>(got);
    }
}
