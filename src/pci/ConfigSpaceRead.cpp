// SPDX-License-Identifier: MIT
#include "pci/ConfigSpaceRead.h"

#include <algorithm>

#include "hw/DriverChannel.h"
#include "pcidef/ConfigRegisters.h"
#include "pcidef/ConfigWindow.h"

namespace {

constexpr uint32_t kFallbackWindowBase = 0xE0000000u;

}  // namespace

ConfigSpaceRead ConfigSpaceRead::FromMechanism(const FunctionAddress& function) {
    ConfigSpaceRead space;
    space.size = pcireg::kConfigSize;
    std::array<uint8_t, pcireg::kConfigSize / 4> dwordRead{};
    if (ReadPciConfigBlock(function, space.size, reinterpret_cast<uint8_t*>(space.dwords.data()),
                           dwordRead.data())) {
        std::copy(dwordRead.begin(), dwordRead.end(), space.read.begin());
    }
    return space;
}

ConfigSpaceRead ConfigSpaceRead::FromWindow(uint32_t address) {
    ConfigSpaceRead space;
    space.size = pcireg::kExtendedConfigSize;
    if (ReadPhysicalMemory(address, space.dwords.data(), space.size)) space.read.fill(true);
    return space;
}

void ConfigSpaceRead::CopyReadDwords(std::span<uint32_t> buffer) const {
    const size_t count = std::min<size_t>(buffer.size(), size / 4);
    for (size_t i = 0; i < count; ++i) {
        if (read[i]) buffer[i] = dwords[i];
    }
}

bool ConfigSpaceRead::Complete() const {
    return std::all_of(read.begin(), read.begin() + size / 4, [](bool r) { return r; });
}

uint32_t DetectMmioBase(const FunctionAddress& function, uint32_t identity) {
    // Within 4 GiB, as the window's 32-bit addresses are.
    const uint32_t offset = static_cast<uint32_t>(ConfigWindow::OffsetOf(function));
    for (uint32_t n = 8; n <= 15; ++n) {
        const uint32_t candidate = n << 28;
        // A failed read leaves the probe value, which never equals an identity
        // read from a present function.
        uint32_t dword = ~identity;
        ReadPhysicalMemory(candidate + offset, &dword, 4);
        if (dword == identity) return candidate;
    }
    return kFallbackWindowBase;
}
