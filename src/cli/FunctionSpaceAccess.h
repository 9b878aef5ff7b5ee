// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "pci/ConfigSpaceBatch.h"
#include "pci/PciDeviceEntry.h"

// A function's configuration space as the PCI window reads it: 256 bytes
// through the configuration mechanism for a PCI function, 4096 through the
// PCI Express window for a PCI Express one, and which dwords were read.
struct FunctionBytes {
    std::vector<uint8_t> bytes;
    std::vector<uint8_t> readable;  // one per dword, 1 where it was read

    bool Readable(uint32_t offset) const { return readable.at(offset / 4) != 0; }
    uint32_t Dword(uint32_t offset) const;
};

// A function as the commands that decode and set fields address it: where,
// and its kind and identity as the window's boxes find them.
struct AccessedFunction {
    FunctionAddress address;  // with its segment
    PciDeviceEntry entry;
};

// Many functions' spaces as ReadListed reads each, kept where the driver
// wrote them rather than copied.
class ListedSpaces {
  public:
    size_t Size() const { return views_.size(); }
    std::span<const uint8_t> Bytes(size_t i) const { return {views_[i].bytes, views_[i].size}; }
    // One per dword, non-zero where it was read.
    std::span<const uint8_t> Readable(size_t i) const {
        return {views_[i].read, views_[i].size / 4};
    }

  private:
    friend class FunctionSpaceAccess;
    std::vector<ConfigSpaceBatch> groups_;
    std::vector<std::unique_ptr<FunctionBytes>> readAgain_;
    std::vector<ConfigSpaceView> views_;
};

// Reads and writes functions' configuration spaces for the commands that
// decode and set fields, the way the PCI window does; each segment's window
// base is detected on its first PCI Express function, unless one is given,
// and kept while the functions read there answer with their own identity.
class FunctionSpaceAccess {
  public:
    explicit FunctionSpaceAccess(std::optional<uint32_t> windowBase = std::nullopt)
        : given_(windowBase) {}

    // The function at that address, as the window's bus, device and function
    // boxes choose one.
    static AccessedFunction Identify(const FunctionAddress& function);
    FunctionBytes Read(const AccessedFunction& function);
    // A function's space in one block read of 4096 bytes: all of them for a
    // PCI Express function, the 256 the window shows for a PCI one (its kind
    // taken from its capability list, as the scan takes it).
    static FunctionBytes ReadListed(const FunctionAddress& function);
    // ReadListed of many functions, in few requests.
    static ListedSpaces ReadListed(std::span<const FunctionAddress> functions);
    // One dword at a dword-aligned offset; false when the driver refused it.
    bool Write(const AccessedFunction& function, uint32_t offset, uint32_t value);
    // The window's base, once a PCI Express function needed it.
    std::optional<uint32_t> WindowBase() const;

  private:
    uint32_t WindowAddress(const AccessedFunction& function);

    std::optional<uint32_t> given_;  // from --base: never detected
    std::map<uint16_t, uint32_t> detected_;  // each segment's window
    std::optional<uint32_t> last_;           // the base of the last window address
};
