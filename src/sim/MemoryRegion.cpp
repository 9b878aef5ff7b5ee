// SPDX-License-Identifier: MIT
#include "sim/MemoryRegion.h"

#include <algorithm>
#include <cstring>
#include <utility>

MemoryRegion::MemoryRegion(uint32_t base, uint64_t size, std::vector<uint8_t> initial, uint8_t fill,
                           bool writable)
    : base_(base), size_(size), initial_(std::move(initial)), fill_(fill), writable_(writable) {
    if (initial_.size() > size_) initial_.resize(size_);
}

void MemoryRegion::ReadInitial(uint64_t offset, uint8_t* out, uint64_t length) const {
    uint64_t fromInitial =
        offset < initial_.size() ? std::min(length, initial_.size() - offset) : 0;
    if (fromInitial) std::memcpy(out, initial_.data() + offset, fromInitial);
    std::memset(out + fromInitial, fill_, length - fromInitial);
}

void MemoryRegion::Read(uint64_t offset, uint8_t* out, uint64_t length) const {
    ReadPieces(offset, length, [&out](const uint8_t* bytes, uint64_t count) {
        std::memcpy(out, bytes, count);
        out += count;
        return true;
    });
}

bool MemoryRegion::InitialPieces(uint64_t offset, uint64_t length, const BytePieces& take) const {
    const uint64_t fromInitial =
        offset < initial_.size() ? std::min(length, initial_.size() - offset) : 0;
    if (fromInitial && !take(initial_.data() + offset, fromInitial)) return false;
    return TakeFill(fill_, length - fromInitial, take);
}

bool MemoryRegion::ReadPieces(uint64_t offset, uint64_t length, const BytePieces& take) const {
    while (length > 0) {
        const uint64_t page = offset / kPageSize;
        const uint64_t within = offset % kPageSize;
        auto written = pages_.lower_bound(page);
        uint64_t chunk = 0;
        bool taken = false;
        if (written != pages_.end() && written->first == page) {
            chunk = std::min(length, kPageSize - within);
            taken = take(written->second.data() + within, chunk);
        } else {
            // Up to the next page written since: all of it the initial bytes.
            const uint64_t until =
                written == pages_.end() ? offset + length : written->first * kPageSize;
            chunk = std::min(length, until - offset);
            taken = InitialPieces(offset, chunk, take);
        }
        if (!taken) return false;
        offset += chunk;
        length -= chunk;
    }
    return true;
}

void MemoryRegion::Write(uint64_t offset, const uint8_t* in, uint64_t length) {
    if (!writable_) return;
    while (length > 0) {
        uint64_t page = offset / kPageSize;
        uint64_t within = offset % kPageSize;
        uint64_t chunk = std::min(length, kPageSize - within);
        auto [it, fresh] = pages_.try_emplace(page);
        if (fresh) {
            uint64_t pageStart = page * kPageSize;
            it->second.resize(kPageSize);
            ReadInitial(pageStart, it->second.data(), std::min(kPageSize, size_ - pageStart));
        }
        std::memcpy(it->second.data() + within, in, chunk);
        offset += chunk;
        in += chunk;
        length -= chunk;
    }
}
