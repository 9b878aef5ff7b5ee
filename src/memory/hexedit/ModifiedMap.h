// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One bit per data byte in a file of its own: byte k / 8, bit k mod 8 (bit 0
// the least significant) says whether data byte k was changed.
class ModifiedMap {
  public:
    ModifiedMap() = default;
    ~ModifiedMap();
    ModifiedMap(const ModifiedMap&) = delete;
    ModifiedMap& operator=(const ModifiedMap&) = delete;

    // Creates (truncates) the file; false with errno kept when it cannot.
    bool Create(const std::string& path);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }

    // Makes the file size / 8 + 1 zero bytes long, as a sparse file: only
    // the marks set later are written.
    bool Clear(uint64_t size);
    bool IsSet(uint64_t offset);
    bool Set(uint64_t offset);
    // Reads count bytes of the map from map byte first into buffer; bytes the
    // file does not have read as 0.
    void ReadBytes(uint8_t* buffer, uint64_t first, uint64_t count);

  private:
    static constexpr uint64_t kCacheBytes = 0x2000;
    bool LoadCache(uint64_t mapByte);

    int fd_ = -1;
    std::vector<uint8_t> cache_;
    uint64_t cacheStart_ = 0;
    uint64_t cacheLength_ = 0;
};
