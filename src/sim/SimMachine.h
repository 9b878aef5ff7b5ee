#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "sim/Bdf.h"
#include "sim/MemoryRegion.h"
#include "sim/PciFunction.h"

// The memory-mapped configuration window: base + bus << 20 + device << 15 +
// function << 12 + offset.
struct EcamWindow {
    uint32_t base = 0;
    uint32_t buses = 256;
    uint64_t End() const { return uint64_t{base} + (uint64_t{buses} << 20); }
};

// A simulated machine: PCI functions, an optional configuration window,
// physical memory regions and the configuration ports 0xCF8/0xCFC.
class SimMachine {
  public:
    static constexpr uint16_t kConfigAddressPort = 0xCF8;
    static constexpr uint16_t kConfigDataPort = 0xCFC;

    std::string name;

    // The caller keeps addresses unique and regions apart (the loader does).
    void AddFunction(PciFunction function);
    void AddRegion(MemoryRegion region);
    void SetEcam(EcamWindow window) { ecam_ = window; }

    const std::vector<PciFunction>& Functions() const { return functions_; }
    const std::vector<MemoryRegion>& Regions() const { return regions_; }
    const std::optional<EcamWindow>& Ecam() const { return ecam_; }
    const PciFunction* Find(Bdf address) const;
    PciFunction* Find(Bdf address);

    // Absent functions read 0xFFFFFFFF and ignore writes. offset is aligned
    // down to a dword.
    uint32_t ConfigRead(Bdf address, uint32_t offset) const;
    void ConfigWrite(Bdf address, uint32_t offset, uint32_t value);

    // address + length must not pass 4 GiB. Outside every region and the
    // window reads 0xFF and drops writes.
    void ReadPhysical(uint32_t address, uint8_t* out, uint32_t length) const;
    void WritePhysical(uint32_t address, const uint8_t* in, uint32_t length);

    // Configuration mechanism #1.
    void OutDword(uint16_t port, uint32_t value);
    uint32_t InDword(uint16_t port) const;

  private:
    // One contiguous piece of a physical access: what lies at address, and
    // how far it reaches.
    struct Piece {
        uint64_t length;
        const MemoryRegion* region = nullptr;
        bool window = false;
    };
    Piece PieceAt(uint64_t address, uint64_t length) const;
    // Calls visit(piece, address, bytes done so far) for each piece in turn.
    template <class Visit>
    void VisitPieces(uint32_t address, uint32_t length, Visit visit) const;

    std::vector<PciFunction> functions_;
    std::unordered_map<uint16_t, size_t> index_;
    std::vector<MemoryRegion> regions_;  // sorted by base
    std::optional<EcamWindow> ecam_;
    uint32_t configAddress_ = 0;
};
