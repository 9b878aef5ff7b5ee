// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <span>

// A function's configuration bytes as they were read: reads past the end,
// and reads of dwords that could not be read, give nothing rather than
// bytes that were never there.
namespace pcidef {

class ConfigView {
  public:
    // `readable`: one entry per dword, non-zero where that dword was read;
    // empty when every dword was.
    explicit ConfigView(std::span<const uint8_t> bytes, std::span<const uint8_t> readable = {})
        : bytes_(bytes), readable_(readable) {}

    uint32_t Size() const { return static_cast<uint32_t>(bytes_.size()); }

    // Whether the `width` bytes at `offset` lie inside and were read.
    bool Readable(uint32_t offset, uint32_t width) const;

    // The little-endian value of 1 to 4 bytes at `offset`.
    std::optional<uint32_t> Read(uint32_t offset, uint32_t width) const;

  private:
    std::span<const uint8_t> bytes_;
    std::span<const uint8_t> readable_;
};

}  // namespace pcidef
