// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "sim/BytePieces.h"

// A range of simulated physical memory: initial contents, then the fill byte
// up to its size. Pages are copied out only when written, so a large filled
// region costs nothing until it is used.
class MemoryRegion {
  public:
    MemoryRegion(uint32_t base, uint64_t size, std::vector<uint8_t> initial, uint8_t fill,
                 bool writable);

    uint32_t Base() const { return base_; }
    uint64_t Size() const { return size_; }
    uint64_t End() const { return uint64_t{base_} + size_; }
    bool Writable() const { return writable_; }

    // offset + length must lie within the region.
    void Read(uint64_t offset, uint8_t* out, uint64_t length) const;
    // The same bytes handed to `take` in order, as the region holds them:
    // nothing is copied but the fill. False when `take` stopped it.
    bool ReadPieces(uint64_t offset, uint64_t length, const BytePieces& take) const;
    void Write(uint64_t offset, const uint8_t* in, uint64_t length);

  private:
    static constexpr uint64_t kPageSize = 4096;
    void ReadInitial(uint64_t offset, uint8_t* out, uint64_t length) const;
    bool InitialPieces(uint64_t offset, uint64_t length, const BytePieces& take) const;

    uint32_t base_;
    uint64_t size_;
    std::vector<uint8_t> initial_;
    uint8_t fill_;
    bool writable_;
    std::map<uint64_t, std::vector<uint8_t>> pages_;  // by page index
};
