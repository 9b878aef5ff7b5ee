// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <vector>

// Configuration bytes for a test: a header of the given type, and
// capabilities linked in the order they are added.
class ConfigBuilder {
  public:
    explicit ConfigBuilder(size_t size = 256, uint8_t headerType = 0) : bytes(size) {
        W16(0x00, 0x8086).W16(0x02, 0x1234).W8(0x0E, headerType);
    }

    ConfigBuilder& W8(uint32_t offset, uint32_t value) { return Put(offset, value, 1); }
    ConfigBuilder& W16(uint32_t offset, uint32_t value) { return Put(offset, value, 2); }
    ConfigBuilder& W32(uint32_t offset, uint32_t value) { return Put(offset, value, 4); }

    // A standard capability, linked after the last one.
    ConfigBuilder& Cap(uint32_t offset, uint8_t id) {
        W16(0x06, 0x0010);
        W8(lastCap_ ? lastCap_ + 1 : 0x34, offset);
        W8(offset, id).W8(offset + 1, 0);
        lastCap_ = offset;
        return *this;
    }

    // An extended capability, linked after the last one.
    ConfigBuilder& ExtCap(uint32_t offset, uint16_t id, uint8_t version = 1) {
        if (lastExt_) W32(lastExt_, Read32(lastExt_) | offset << 20);
        W32(offset, id | uint32_t{version} << 16);
        lastExt_ = offset;
        return *this;
    }

    uint32_t Read32(uint32_t offset) const {
        return bytes[offset] | bytes[offset + 1] << 8 | bytes[offset + 2] << 16 |
               uint32_t{bytes[offset + 3]} << 24;
    }

    std::vector<uint8_t> bytes;

  private:
    ConfigBuilder& Put(uint32_t offset, uint32_t value, int width) {
        for (int i = 0; i < width; ++i) bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
        return *this;
    }

    uint32_t lastCap_ = 0;
    uint32_t lastExt_ = 0;
};
