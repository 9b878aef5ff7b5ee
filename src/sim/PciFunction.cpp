#include "sim/PciFunction.h"

#include <utility>

PciFunction::PciFunction(Bdf address, std::vector<uint8_t> config, std::vector<uint8_t> writable)
    : address_(address), config_(std::move(config)), writable_(std::move(writable)) {
    writable_.resize(config_.size(), 0);
}

std::vector<uint8_t> PciFunction::DefaultMask(size_t size) {
    std::vector<uint8_t> mask(size, 0xFF);
    for (size_t offset : {0x00, 0x01, 0x02, 0x03, 0x08, 0x09, 0x0A, 0x0B, 0x0E}) {
        if (offset < size) mask[offset] = 0;
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
