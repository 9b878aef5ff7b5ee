// SPDX-License-Identifier: MIT
#include "pci/ConfigSpaceBatch.h"

#include <array>
#include <new>

#include "hw/DriverChannel.h"
#include "pcidef/ConfigRegisters.h"
#include "platform/PrefaultPages.h"
#include "platform/route/SharedTransferBuffer.h"
#include "protocol/DriverRequest.h"

namespace {

constexpr uint32_t kWindowBytes = pcireg::kExtendedConfigSize;

// The flags of a window piece, whose dwords were read all or none.
const uint8_t* PieceFlags(bool read) {
    static const std::array<uint8_t, kWindowBytes / 4> none{};
    static const std::array<uint8_t, kWindowBytes / 4> all = [] {
        std::array<uint8_t, kWindowBytes / 4> ones{};
        ones.fill(1);
        return ones;
    }();
    return read ? all.data() : none.data();
}

}  // namespace

ConfigSpaceBatch::ConfigSpaceBatch() = default;
ConfigSpaceBatch::~ConfigSpaceBatch() = default;
ConfigSpaceBatch::ConfigSpaceBatch(ConfigSpaceBatch&&) noexcept = default;
ConfigSpaceBatch& ConfigSpaceBatch::operator=(ConfigSpaceBatch&&) noexcept = default;

ConfigSpaceBatch ConfigSpaceBatch::FromMechanism(std::span<const FunctionAddress> functions,
                                                 uint32_t size) {
    ConfigSpaceBatch batch;
    batch.size_ = size;
    batch.stride_ = ConfigBlockLength(batch.size_);
    // Memory the driver writes directly; the read fills every byte of it,
    // refused or not.
    batch.blocks_ = std::make_unique<SharedTransferBuffer>(functions.size() * batch.stride_);
    if (batch.blocks_->Size() < functions.size() * batch.stride_) throw std::bad_alloc();
    ReadPciConfigBlocks(functions, batch.size_, batch.blocks_->Data());
    return batch;
}

ConfigSpaceBatch ConfigSpaceBatch::FromWindow(std::span<const uint32_t> addresses) {
    ConfigSpaceBatch batch;
    batch.size_ = kWindowBytes;
    batch.stride_ = kWindowBytes;
    // Left uninitialised: the read fills every byte, read or not.
    batch.pieces_.reset(new uint8_t[addresses.size() * kWindowBytes]);
    PrefaultForWriting(batch.pieces_.get(), addresses.size() * kWindowBytes);
    batch.pieceRead_.resize(addresses.size());
    ReadPhysicalGather(addresses, kWindowBytes, batch.pieces_.get(), batch.pieceRead_.data());
    return batch;
}

ConfigSpaceView ConfigSpaceBatch::operator[](size_t i) const {
    if (blocks_) {
        const uint8_t* block = blocks_->Data() + i * stride_;
        return {size_, block, block + size_};
    }
    return {size_, pieces_.get() + i * stride_, PieceFlags(pieceRead_[i] != 0)};
}
