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
    while (length > 0) {
        uint64_t page = offset / kPageSize;
        uint64_t within = offset % kPageSize;
        uint64_t chunk = std::min(length, kPageSize - within);
        auto it = pages_.find(page);
        if (it != pages_.end()) {
            std::memcpy(out, it->second.data() + within, chunk);
        } else {
            ReadInitial(offset, out, chunk);
        }
        offset += chunk;
        out += chunk;
        length -= chunk;
    }
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
