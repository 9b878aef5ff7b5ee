// SPDX-License-Identifier: MIT
#include "sim/SimMachine.h"

#include <string.h>

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "pcidef/ConfigMechanism.h"
#include "pcidef/ConfigRegisters.h"

void SimMachine::AddFunction(PciFunction function) {
    index_[function.Address().Key()] = functions_.size();
    functions_.push_back(std::move(function));
}

void SimMachine::AddRegion(MemoryRegion region) {
    auto at =
        std::upper_bound(regions_.begin(), regions_.end(), region.Base(),
                         [](uint32_t base, const MemoryRegion& r) { return base < r.Base(); });
    regions_.insert(at, std::move(region));
}

const PciFunction* SimMachine::Find(FunctionAddress address) const {
    auto it = index_.find(address.Key());
    return it == index_.end() ? nullptr : &functions_[it->second];
}

PciFunction* SimMachine::Find(FunctionAddress address) {
    auto it = index_.find(address.Key());
    return it == index_.end() ? nullptr : &functions_[it->second];
}

uint32_t SimMachine::ConfigRead(FunctionAddress address, uint32_t offset) const {
    const PciFunction* function = Find(address);
    return function ? function->ReadDword(offset & ~3u) : pcireg::kAbsentDword;
}

void SimMachine::ConfigReadBlock(FunctionAddress address, uint32_t size, uint8_t* bytes) const {
    // The function is found once rather than for each dword.
    const PciFunction* function = Find(address);
    for (uint32_t offset = 0; offset + 4 <= size; offset += 4) {
        const uint32_t value = function ? function->ReadDword(offset) : pcireg::kAbsentDword;
        for (uint32_t i = 0; i < 4; ++i) bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

void SimMachine::ConfigWrite(FunctionAddress address, uint32_t offset, uint32_t value) {
    if (PciFunction* function = Find(address)) function->WriteDword(offset & ~3u, value);
}

SimMachine::RegionPiece SimMachine::RegionPieceAt(uint64_t address, uint64_t length) const {
    for (const MemoryRegion& region : regions_) {
        if (address < region.Base()) return {std::min(length, region.Base() - address)};
        if (address < region.End()) return {std::min(length, region.End() - address), &region};
    }
    return {length};
}

void SimMachine::ReadPhysical(uint32_t address, uint8_t* out, uint32_t length) const {
    ReadPhysicalPieces(address, length, [&out](const uint8_t* bytes, uint64_t count) {
        std::memcpy(out, bytes, count);
        out += count;
        return true;
    });
}

bool SimMachine::ReadPhysicalPieces(uint32_t address, uint32_t length,
                                    const BytePieces& take) const {
    std::vector<uint8_t> window;
    const bool taken = ForEachWindowPiece(
        windows_, address, length, [&](const WindowPiece& piece, uint64_t at, uint64_t) {
            if (!piece.inWindow) return OutsideWindowPieces(at, piece.length, take);
            window.resize(piece.length);
            ReadWindow(piece, window.data());
            return take(window.data(), piece.length);
        });
    // What a read gave stays no longer than the read.
    if (!window.empty()) explicit_bzero(window.data(), window.size());
    return taken;
}

void SimMachine::WritePhysical(uint32_t address, const uint8_t* in, uint32_t length) {
    ForEachWindowPiece(windows_, address, length,
                       [&](const WindowPiece& piece, uint64_t at, uint64_t done) {
                           if (piece.inWindow) {
                               WriteWindow(piece, in + done);
                           } else {
                               WriteOutsideWindow(at, piece.length, in + done);
                           }
                           return true;
                       });
}

// A piece at a time rather than a byte: reads of many functions at once
// cross mostly absent ones.
void SimMachine::ReadWindow(const WindowPiece& piece, uint8_t* out) const {
    const PciFunction* function = Find(piece.function);
    if (!function) {
        std::memset(out, 0xFF, piece.length);
        return;
    }
    const std::vector<uint8_t>& config = function->Config();
    const uint64_t held = piece.offset < config.size() ? config.size() - piece.offset : 0;
    const uint64_t copied = std::min(held, piece.length);
    if (copied) std::memcpy(out, config.data() + piece.offset, copied);
    std::memset(out + copied, 0, piece.length - copied);
}

void SimMachine::WriteWindow(const WindowPiece& piece, const uint8_t* in) {
    PciFunction* function = Find(piece.function);
    for (uint32_t i = 0; function && i < piece.length; ++i) {
        function->WriteByte(piece.offset + i, in[i]);
    }
}

bool SimMachine::OutsideWindowPieces(uint64_t address, uint64_t length,
                                     const BytePieces& take) const {
    for (uint64_t done = 0; done < length;) {
        const RegionPiece piece = RegionPieceAt(address + done, length - done);
        const bool taken = piece.region
                               ? piece.region->ReadPieces(address + done - piece.region->Base(),
                                                          piece.length, take)
                               : TakeFill(0xFF, piece.length, take);
        if (!taken) return false;
        done += piece.length;
    }
    return true;
}

void SimMachine::WriteOutsideWindow(uint64_t address, uint64_t length, const uint8_t* in) {
    for (uint64_t done = 0; done < length;) {
        const RegionPiece piece = RegionPieceAt(address + done, length - done);
        if (piece.region) {
            // The piece points at a region of ours; write through our own copy.
            auto& region = regions_[static_cast<size_t>(piece.region - regions_.data())];
            region.Write(address + done - region.Base(), in + done, piece.length);
        }
        done += piece.length;
    }
}

void SimMachine::OutDword(uint16_t port, uint32_t value) {
    namespace cm = config_mechanism;
    if (port == cm::kAddressPort) {
        configAddress_ = value;
    } else if (port == cm::kDataPort && cm::Enabled(configAddress_)) {
        ConfigWrite(cm::FunctionOf(configAddress_), cm::RegisterOf(configAddress_), value);
    }
}

uint32_t SimMachine::InDword(uint16_t port) const {
    namespace cm = config_mechanism;
    if (port == cm::kAddressPort) return configAddress_;
    if (port == cm::kDataPort && cm::Enabled(configAddress_)) {
        return ConfigRead(cm::FunctionOf(configAddress_), cm::RegisterOf(configAddress_));
    }
    return pcireg::kAbsentDword;
}
