// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "pcidef/DecodedFunction.h"

// Watching one function's configuration space from read to read: which
// dwords changed, which named fields of them, and whether the function has
// gone. It holds no driver: the caller reads and hands each read in, so a
// window and the CLI watch the same way.
namespace pcidef {

struct DwordChange {
    uint32_t offset;
    std::optional<uint32_t> before;  // nullopt: the dword was refused
    std::optional<uint32_t> after;
    std::vector<std::string> fields;  // full names of the fields whose value changed
};

// Gone: the identity dword was refused or reads all ones, as an unplugged
// function's does.
bool FunctionGone(std::span<const uint8_t> bytes, std::span<const uint8_t> readableDwords);

class ConfigWatch {
  public:
    struct Step {
        bool gone = false;  // true once, on the read that found the function gone
        std::vector<DwordChange> changes;
    };

    // `readableDwords` as the decoder takes it: one entry per dword, non-zero
    // where it was read; empty when all were. The first read only sets what
    // later reads are compared with.
    Step Next(std::span<const uint8_t> bytes, std::span<const uint8_t> readableDwords = {});

    bool Started() const { return started_; }
    bool Gone() const { return gone_; }

  private:
    std::vector<DwordChange> Compare(std::span<const uint8_t> bytes,
                                     std::span<const uint8_t> readable) const;
    void Keep(std::span<const uint8_t> bytes, std::span<const uint8_t> readable);

    std::vector<uint8_t> bytes_;
    std::vector<uint8_t> readable_;  // one per dword of bytes_
    bool started_ = false;
    bool gone_ = false;
};

// The fields of the dword at `offset` whose value differs between `before`
// and `after`, named as `set` takes them, laid out as `decoded` (the new read)
// has them; a register without fields, or changed only outside its fields,
// is named whole.
std::vector<std::string> ChangedFields(const DecodedFunction& decoded, uint32_t offset,
                                       uint32_t before, uint32_t after);

}  // namespace pcidef
