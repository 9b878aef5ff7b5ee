// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "pci/PciDeviceEntry.h"

class PciWindowModel;

// A function's configuration space as the PCI window reads it: 256 bytes
// through the configuration mechanism for a PCI function, 4096 through the
// PCI Express window for a PCI Express one, and which dwords were read.
struct FunctionSpace {
    std::vector<uint8_t> bytes;
    std::vector<uint8_t> readable;  // one per dword, 1 where it was read

    bool Readable(uint32_t offset) const { return readable.at(offset / 4) != 0; }
    uint32_t Dword(uint32_t offset) const;
};

// Reads and writes functions' configuration spaces for the commands that
// decode and set fields, the way the PCI window does; the window's base is
// detected on the first PCI Express function, unless one is given, and kept
// while the functions read there answer with their own identity.
class FunctionSpaceAccess {
  public:
    explicit FunctionSpaceAccess(std::optional<uint32_t> windowBase = std::nullopt);
    ~FunctionSpaceAccess();
    FunctionSpaceAccess(const FunctionSpaceAccess&) = delete;
    FunctionSpaceAccess& operator=(const FunctionSpaceAccess&) = delete;

    // The function at that address with its kind and identity read, as the
    // window's bus, device and function boxes choose one.
    PciDeviceEntry EntryOf(const FunctionAddress& function);
    FunctionSpace Read(const PciDeviceEntry& entry);
    // A function's space in one block read of 4096 bytes: all of them for a
    // PCI Express function, the 256 the window shows for a PCI one (its kind
    // taken from its capability list, as the scan takes it).
    FunctionSpace ReadListed(const FunctionAddress& function);
    // One dword at a dword-aligned offset; false when the driver refused it.
    bool Write(const PciDeviceEntry& entry, uint32_t offset, uint32_t value);
    // The window's base, once a PCI Express function needed it.
    std::optional<uint32_t> WindowBase() const { return base_; }

  private:
    uint32_t WindowAddress(const PciDeviceEntry& entry);

    std::unique_ptr<PciWindowModel> model_;
    std::optional<uint32_t> base_;
    bool given_;  // the base came from --base and is never detected
};
