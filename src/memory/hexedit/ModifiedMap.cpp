// SPDX-License-Identifier: MIT
#include "memory/hexedit/ModifiedMap.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstring>

#include "memory/hexedit/PositionedIo.h"
#include "memory/hexedit/PrivateFile.h"

ModifiedMap::~ModifiedMap() {
    Close();
}

bool ModifiedMap::Create(const std::string& path) {
    Close();
    fd_ = CreatePrivateFile(path, O_RDWR);
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
    // Emptied, then given its length as a hole that reads as zeros: no byte
    // is written until a change is marked. A full disk then fails that mark,
    // which says so.
    return ftruncate(fd_, 0) == 0 && ftruncate(fd_, static_cast<off_t>(size / 8 + 1)) == 0;
}

bool ModifiedMap::LoadCache(uint64_t mapByte) {
    if (mapByte >= cacheStart_ && mapByte < cacheStart_ + cacheLength_) return true;
    cache_.resize(kCacheBytes);
    cacheStart_ = mapByte - mapByte % kCacheBytes;
    cacheLength_ = PositionedIo::ReadAt(fd_, cache_.data(), kCacheBytes, cacheStart_);
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
    if (!PositionedIo::WriteAt(fd_, &value, 1, mapByte)) return false;
    if (mapByte >= cacheStart_ && mapByte < cacheStart_ + cacheLength_)
        cache_[mapByte - cacheStart_] = value;
    else
        cacheLength_ = 0;
    return true;
}

void ModifiedMap::ReadBytes(uint8_t* buffer, uint64_t first, uint64_t count) {
    std::memset(buffer, 0, count);
    if (fd_ >= 0) PositionedIo::ReadAt(fd_, buffer, count, first);
}
