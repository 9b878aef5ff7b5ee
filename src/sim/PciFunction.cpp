// SPDX-License-Identifier: MIT
#include "sim/PciFunction.h"

#include <utility>

PciFunction::PciFunction(FunctionAddress address, std::vector<uint8_t> config,
                         std::vector<uint8_t> writable)
    : address_(address), config_(std::move(config)), writable_(std::move(writable)) {
    writable_.resize(config_.size(), 0);
}

std::vector<uint8_t> PciFunction::DefaultMask(size_t size) {
    struct ReadOnly {
        uint32_t offset;
        uint32_t bytes;
    };
    static constexpr ReadOnly kReadOnly[] = {
        {pcireg::kVendorId, 4}, {pcireg::kRevisionId, 4}, {pcireg::kHeaderType, 1}};
    std::vector<uint8_t> mask(size, 0xFF);
    for (const ReadOnly& range : kReadOnly) {
        for (uint32_t offset = range.offset; offset < range.offset + range.bytes; ++offset) {
            if (offset < size) mask[offset] = 0;
        }
    }
    return mask;
}

uint8_t PciFunction::ReadByte(uint32_t offset) const {
    return offset < config_.size() ? config_[offset] : 0;
}

void PciFunction::WriteByte(uint32_t offset, uint8_t value) {
    if (offset >= config_.size()) return;
    uint8_t mask = writable_[offset];
    config_[offset] = static_cast<uint8_t>((config_[offset] & ~mask) | (value & mask));
}

uint32_t PciFunction::ReadDword(uint32_t offset) const {
    uint32_t value = 0;
    for (uint32_t i = 0; i < 4; ++i) value |= uint32_t{ReadByte(offset + i)} << (8 * i);
    return value;
}

void PciFunction::WriteDword(uint32_t offset, uint32_t value) {
    for (uint32_t i = 0; i < 4; ++i) WriteByte(offset + i, static_cast<uint8_t>(value >> (8 * i)));
}
