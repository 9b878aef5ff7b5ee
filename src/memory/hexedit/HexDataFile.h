// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The dump's data file, opened for update. Single-byte reads go through a
// window-sized cache, so painting a page costs one read of the file however
// many bytes it draws; the data itself is never held in memory as a whole.
class HexDataFile {
  public:
    HexDataFile() = default;
    ~HexDataFile();
    HexDataFile(const HexDataFile&) = delete;
    HexDataFile& operator=(const HexDataFile&) = delete;

    // Opens an existing file for reading and writing; false (with errno kept)
    // when it cannot be opened.
    bool Open(const std::string& path);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }

    // False when the byte lies beyond the file or cannot be read.
    bool ReadByte(uint64_t offset, uint8_t& value);
    // Reads up to count bytes; bytes the file does not have are left as the
    // buffer held them. Returns the number of bytes read.
    uint64_t Read(uint8_t* buffer, uint64_t offset, uint64_t count);
    // Overwrites one byte that the file already has: the file never grows
    // here, so a short file keeps its length.
    bool WriteByte(uint64_t offset, uint8_t value);

  private:
    static constexpr uint64_t kCacheBytes = 0x10000;

    int fd_ = -1;
    uint64_t fileSize_ = 0;
    std::vector<uint8_t> cache_;
    uint64_t cacheStart_ = 0;
    uint64_t cacheLength_ = 0;
};
