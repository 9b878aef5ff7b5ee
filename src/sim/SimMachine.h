// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "pcidef/ConfigWindow.h"
#include "pcidef/FunctionAddress.h"
#include "sim/MemoryRegion.h"
#include "sim/PciFunction.h"

// A simulated machine: PCI functions, configuration windows (one a segment),
// physical memory regions and the configuration ports 0xCF8/0xCFC.
class SimMachine {
  public:
    std::string name;

    // The caller keeps addresses unique and regions apart (the loader does).
    void AddFunction(PciFunction function);
    void AddRegion(MemoryRegion region);
    // One configuration window per segment; the loader keeps them apart.
    void AddWindow(ConfigWindow window) { windows_.push_back(window); }

    const std::vector<PciFunction>& Functions() const { return functions_; }
    const std::vector<MemoryRegion>& Regions() const { return regions_; }
    const std::vector<ConfigWindow>& Windows() const { return windows_; }
    const PciFunction* Find(FunctionAddress address) const;
    PciFunction* Find(FunctionAddress address);

    // Absent functions read 0xFFFFFFFF and ignore writes. offset is aligned
    // down to a dword.
    uint32_t ConfigRead(FunctionAddress address, uint32_t offset) const;
    // ConfigRead of every dword of the first `size` bytes, into bytes.
    void ConfigReadBlock(FunctionAddress address, uint32_t size, uint8_t* bytes) const;
    void ConfigWrite(FunctionAddress address, uint32_t offset, uint32_t value);

    // address + length must not pass 4 GiB. Outside every region and the
    // window reads 0xFF and drops writes.
    void ReadPhysical(uint32_t address, uint8_t* out, uint32_t length) const;
    // The same bytes handed to `take` in order, the regions' own where they
    // hold them. False when `take` stopped it.
    bool ReadPhysicalPieces(uint32_t address, uint32_t length, const BytePieces& take) const;
    void WritePhysical(uint32_t address, const uint8_t* in, uint32_t length);

    // Configuration mechanism #1.
    void OutDword(uint16_t port, uint32_t value);
    uint32_t InDword(uint16_t port) const;

  private:
    // The region at address and how far it reaches, or the unbacked gap up to
    // the next region (region null).
    struct RegionPiece {
        uint64_t length;
        const MemoryRegion* region = nullptr;
    };
    RegionPiece RegionPieceAt(uint64_t address, uint64_t length) const;
    void ReadWindow(const WindowPiece& piece, uint8_t* out) const;
    void WriteWindow(const WindowPiece& piece, const uint8_t* in);
    bool OutsideWindowPieces(uint64_t address, uint64_t length, const BytePieces& take) const;
    void WriteOutsideWindow(uint64_t address, uint64_t length, const uint8_t* in);

    std::vector<PciFunction> functions_;
    std::unordered_map<uint32_t, size_t> index_;
    std::vector<MemoryRegion> regions_;  // sorted by base
    std::vector<ConfigWindow> windows_;
    uint32_t configAddress_ = 0;
};
