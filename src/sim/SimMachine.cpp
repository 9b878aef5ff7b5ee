#include "sim/SimMachine.h"

#include <algorithm>
#include <cstring>
#include <utility>

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

const PciFunction* SimMachine::Find(Bdf address) const {
    auto it = index_.find(address.Key());
    return it == index_.end() ? nullptr : &functions_[it->second];
}

PciFunction* SimMachine::Find(Bdf address) {
    auto it = index_.find(address.Key());
    return it == index_.end() ? nullptr : &functions_[it->second];
}

uint32_t SimMachine::ConfigRead(Bdf address, uint32_t offset) const {
    const PciFunction* function = Find(address);
    return function ? function->ReadDword(offset & ~3u) : 0xFFFFFFFFu;
}

void SimMachine::ConfigWrite(Bdf address, uint32_t offset, uint32_t value) {
    if (PciFunction* function = Find(address)) function->WriteDword(offset & ~3u, value);
}

SimMachine::Piece SimMachine::PieceAt(uint64_t address, uint64_t length) const {
    if (ecam_ && address >= ecam_->base && address < ecam_->End()) {
        uint64_t toPageEnd = 4096 - (address & 0xFFF);
        return {std::min(length, toPageEnd), nullptr, true};
    }
    for (const MemoryRegion& region : regions_) {
        if (address < region.Base()) {
            // Unbacked gap up to the next region (or the window, checked below).
            length = std::min(length, region.Base() - address);
            break;
        }
        if (address < region.End()) return {std::min(length, region.End() - address), &region};
    }
    if (ecam_ && address < ecam_->base) length = std::min(length, ecam_->base - address);
    return {length};
}

template <class Visit>
void SimMachine::VisitPieces(uint32_t address, uint32_t length, Visit visit) const {
    uint64_t at = address;
    uint64_t done = 0;
    while (done < length) {
        Piece piece = PieceAt(at, length - done);
        visit(piece, at, done);
        at += piece.length;
        done += piece.length;
    }
}

void SimMachine::ReadPhysical(uint32_t address, uint8_t* out, uint32_t length) const {
    VisitPieces(address, length, [&](const Piece& piece, uint64_t at, uint64_t done) {
        if (piece.window) {
            uint64_t relative = at - ecam_->base;
            const PciFunction* function = Find(Bdf::FromWindowOffset(relative));
            uint32_t offset = static_cast<uint32_t>(relative & 0xFFF);
            for (uint32_t i = 0; i < piece.length; ++i) {
                out[done + i] = function ? function->ReadByte(offset + i) : 0xFF;
            }
        } else if (piece.region) {
            piece.region->Read(at - piece.region->Base(), out + done, piece.length);
        } else {
            std::memset(out + done, 0xFF, piece.length);
        }
    });
}

void SimMachine::WritePhysical(uint32_t address, const uint8_t* in, uint32_t length) {
    VisitPieces(address, length, [&](const Piece& piece, uint64_t at, uint64_t done) {
        if (piece.window) {
            uint64_t relative = at - ecam_->base;
            PciFunction* function = Find(Bdf::FromWindowOffset(relative));
            uint32_t offset = static_cast<uint32_t>(relative & 0xFFF);
            for (uint32_t i = 0; function && i < piece.length; ++i) {
                function->WriteByte(offset + i, in[done + i]);
            }
        } else if (piece.region) {
            // The piece points at a region of ours; write through our own copy.
            auto& region = regions_[static_cast<size_t>(piece.region - regions_.data())];
            region.Write(at - region.Base(), in + done, piece.length);
        }
    });
}

void SimMachine::OutDword(uint16_t port, uint32_t value) {
    if (port == kConfigAddressPort) {
        configAddress_ = value;
    } else if (port == kConfigDataPort && (configAddress_ & 0x80000000u)) {
        ConfigWrite(Bdf::FromConfigAddress(configAddress_), configAddress_ & 0xFC, value);
    }
}

uint32_t SimMachine::InDword(uint16_t port) const {
    if (port == kConfigAddressPort) return configAddress_;
    if (port == kConfigDataPort && (configAddress_ & 0x80000000u)) {
        return ConfigRead(Bdf::FromConfigAddress(configAddress_), configAddress_ & 0xFC);
    }
    return 0xFFFFFFFFu;
}
