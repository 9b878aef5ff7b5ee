// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "pci/ConfigSpaceView.h"
#include "pcidef/ConfigRegisters.h"
#include "pcidef/FunctionAddress.h"

// A function's configuration space as the PCI window reads it, for every
// reader of it (the window, its reports, the CLI's commands): through the
// configuration mechanism one block read of 256 bytes, through the PCI
// Express window one physical read of 4096 bytes. Which dwords were read is
// kept, so that a reader leaves a refused one as it was, as a failed dword
// request leaves its variable.
struct ConfigSpaceRead {
    static constexpr uint32_t kMaxDwords = 1024;

    uint32_t size = 0;  // bytes asked for: 256 or 4096
    std::array<uint32_t, kMaxDwords> dwords{};
    std::array<bool, kMaxDwords> read{};  // false where refused or not carried out

    // 256 bytes of a function through the configuration mechanism (or 4096,
    // as a block read gives them).
    static ConfigSpaceRead FromMechanism(const FunctionAddress& function,
                                         uint32_t size = pcireg::kConfigSize);
    // The 4096 bytes at a physical address of the PCI Express window: all
    // read, or none.
    static ConfigSpaceRead FromWindow(uint32_t address);

    bool Complete() const;
    // The dword at a register below 0x100 (its low bits ignored, as the
    // mechanism ignores them) as a dword request answers: false, leaving
    // *value as it was, where it was not read.
    bool ReadDword(uint32_t offset, uint32_t* value) const;

    // The bytes asked for, as the decoder takes them (this machine's dwords
    // are little-endian, as configuration space is), and one entry per dword
    // of them, non-zero where it was read.
    std::span<const uint8_t> Bytes() const {
        return {reinterpret_cast<const uint8_t*>(dwords.data()), size};
    }
    std::span<const uint8_t> DwordsRead() const {
        static_assert(sizeof(bool) == 1);
        return {reinterpret_cast<const uint8_t*>(read.data()), size / 4};
    }
    ConfigSpaceView View() const { return {size, Bytes().data(), DwordsRead().data()}; }
};

// The dword at a register below 0x100 of a block read's `size` bytes and
// flags (its low bits ignored, as the mechanism ignores them), as a dword
// request answers: false, leaving *value as it was, where it was not read.
bool ReadBlockDword(const uint8_t* bytes, const uint8_t* dwordRead, uint32_t size, uint32_t offset,
                    uint32_t* value);

// The base of the PCI Express window that answers for a function: the first
// of 80000000, 90000000, ... F0000000 whose space of that function reads
// `identity` (device ID << 16 | vendor ID), else E0000000.
uint32_t DetectMmioBase(const FunctionAddress& function, uint32_t identity);
// DetectMmioBase of many functions in few requests: each candidate is
// probed for every function that has not answered at an earlier one, so
// exactly the probes DetectMmioBase makes are made.
std::vector<uint32_t> DetectMmioBases(std::span<const FunctionAddress> functions,
                                      std::span<const uint32_t> identities);
