// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "pci/ConfigSpaceView.h"
#include "pcidef/FunctionAddress.h"

class SharedTransferBuffer;

// Many functions' spaces read in few requests, each as ConfigSpaceRead
// reads one, and kept where the reads put them rather than copied.
class ConfigSpaceBatch {
  public:
    ConfigSpaceBatch();
    ~ConfigSpaceBatch();
    ConfigSpaceBatch(ConfigSpaceBatch&&) noexcept;
    ConfigSpaceBatch& operator=(ConfigSpaceBatch&&) noexcept;

    // `size` bytes (256, or 4096 as a block read gives them) of each
    // function through the configuration mechanism.
    static ConfigSpaceBatch FromMechanism(std::span<const FunctionAddress> functions,
                                          uint32_t size = 256);
    // The 4096 bytes at each physical address of the PCI Express window: all
    // of a function read, or none.
    static ConfigSpaceBatch FromWindow(std::span<const uint32_t> addresses);

    ConfigSpaceView operator[](size_t i) const;

  private:
    uint32_t size_ = 0;    // bytes of each function
    uint32_t stride_ = 0;  // from one function's bytes to the next one's
    // The mechanism's blocks, each its bytes and then its flags.
    std::unique_ptr<SharedTransferBuffer> blocks_;
    // The window's pieces, and whether each was read.
    std::unique_ptr<uint8_t[]> pieces_;
    std::vector<uint8_t> pieceRead_;
};
